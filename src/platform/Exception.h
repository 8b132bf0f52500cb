#pragma once

#include <exception>
#include <string>

// Base of every error family of the program. The message is ready to show (UTF-8);
// guards that must catch "any error of ours" catch Exception.
class Exception : public std::exception {
public:
  explicit Exception(std::string message) : message_(std::move(message)) {}

  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const noexcept { return message_; }

protected:
  void SetMessage(std::string message) { message_ = std::move(message); }

private:
  std::string message_;
};
