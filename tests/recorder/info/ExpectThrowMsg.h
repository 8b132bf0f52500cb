#pragma once

#include <gtest/gtest.h>

#include <string>

// Checks both the type of the exception and its message, like {fmt}'s EXPECT_THROW_MSG.
#define EXPECT_THROW_MSG(statement, type, message)                                  \
  do {                                                                              \
    bool thrown_ = false;                                                           \
    try {                                                                           \
      statement;                                                                    \
    } catch (const type& e_) {                                                      \
      thrown_ = true;                                                               \
      EXPECT_EQ(std::string(e_.what()), std::string(message));                     \
    }                                                                               \
    EXPECT_TRUE(thrown_) << #statement " did not throw " #type;                    \
  } while (false)
