#pragma once

#include <gtest/gtest.h>

#include <exception>
#include <string>

// Checks the class of an exception and its whole message in one go, like {fmt}'s
// EXPECT_THROW_MSG. Every error of ours derives from Exception, whose Message() is the
// text what() shows; Message() is compared because it holds all of it, also past a
// zero byte. No exception, or one of another class, fails the test rather than
// escaping from it, so the checks after it still run.
#define EXPECT_THROW_MSG(statement, Type, expected)                                                  \
  do {                                                                                               \
    try {                                                                                            \
      statement;                                                                                     \
      ADD_FAILURE() << "expected " #Type " from " #statement ", nothing was thrown";                \
    } catch (const Type& thrown_) {                                                                 \
      EXPECT_EQ(thrown_.Message(), std::string(expected));                                           \
    } catch (const std::exception& other_) {                                                         \
      ADD_FAILURE() << "expected " #Type " from " #statement ", got another exception: " << other_.what(); \
    } catch (...) {                                                                                  \
      ADD_FAILURE() << "expected " #Type " from " #statement ", got something not an exception class"; \
    }                                                                                                \
  } while (false)
