#pragma once

#include <cstdint>
#include <optional>
#include <string>

class Prompts;
class QWidget;
class TWorkThread;

// What the password dialog says the password is for.
struct PasswordSubject {
  std::string connection;  // the transport's description of the unit
  std::string device;      // PasswordDeviceText, or empty without device information
};

// The dialog's device row: the device's short name and serial number.
std::string PasswordDeviceText(const std::string& shortName, std::uint32_t serialNumber);

// The text of an access level in the dialog's "Доступ" row.
std::string AccessLevelText(int level);

struct PasswordAnswer {
  std::string password;  // in the device's 8-bit code page
  bool remember = false;
};

// GUI thread: the password dialog for the level (its rows, at most 15 characters) and,
// on OK, the password converted for the device with the remember box.
std::optional<PasswordAnswer> ShowPasswordDialog(Prompts& prompts, QWidget* owner, const PasswordSubject& subject,
                                                 std::int32_t level);

// Worker thread, the job's answer to the login's password request: logs "Авторизация",
// asks on the GUI thread and waits. On OK: true, the level as requested, the password
// and the remember box filled. On cancel: false, and the login is abandoned.
bool RequestPassword(TWorkThread& worker, Prompts& prompts, QWidget* owner, const PasswordSubject& subject,
                     std::int32_t& level, std::string& password, bool& remember);
