#pragma once

#include <gtest/gtest.h>

#include <string>

// Checks the class and the whole message of an exception in one go.
#define EXPECT_THROW_MSG(statement, Type, expected)                                   \
  do {                                                                                \
    try {                                                                             \
      statement;                                                                      \
      ADD_FAILURE() << "expected " #Type " from " #statement;                         \
    } catch (const Type& e) {                                                         \
      EXPECT_EQ(std::string(e.Message()), std::string(expected));                     \
    } catch (const std::exception& e) {                                               \
      ADD_FAILURE() << "expected " #Type ", got another exception: " << e.what();     \
    }                                                                                 \
  } while (0)
