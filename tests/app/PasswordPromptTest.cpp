#include <gtest/gtest.h>

#include <QWidget>

#include "TestJobThread.h"
#include "app/core/PasswordPrompt.h"
#include "support/ScriptedPrompts.h"

namespace {

// The login's side of a request, run as the job of a worker: what it got back.
struct LoginSide {
  bool confirmed = false;
  std::int32_t level = 0;
  std::string password;
  bool remember = false;
};

LoginSide RequestFromWorker(ScriptedPrompts& prompts, QWidget* owner, const PasswordSubject& subject, std::int32_t level,
                            WorkerReports& reports)
{
  LoginSide side;
  side.level = level;
  TestJobThread thread([&](TestJobThread& t) {
    side.confirmed = RequestPassword(t, prompts, owner, subject, side.level, side.password, side.remember);
  });
  reports.Attach(thread);
  thread.StartJob();
  EXPECT_TRUE(reports.WaitRuns(1));
  return side;
}

}  // namespace

TEST(PasswordPrompt, TheWorkerAsksOnTheGuiThreadAndGetsThePassword)
{
  TestApp();
  QWidget progressWindow;
  ScriptedPrompts prompts;
  prompts.AnswerPassword("secret_1", true);
  WorkerReports reports;
  const PasswordSubject subject{"mbtcp://127.0.0.1:1502 (1)", PasswordDeviceText("Прибор", 1234)};
  const LoginSide side = RequestFromWorker(prompts, &progressWindow, subject, 1, reports);

  EXPECT_TRUE(side.confirmed);
  EXPECT_EQ(side.level, 1);
  EXPECT_EQ(side.password, "secret_1");
  EXPECT_TRUE(side.remember);
  EXPECT_EQ(reports.lines, std::vector<std::string>{"Авторизация"});

  const auto asked = prompts.Asked();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].kind, PromptKind::Password);
  EXPECT_EQ(asked[0].owner, &progressWindow);
  EXPECT_EQ(asked[0].password.connection, "mbtcp://127.0.0.1:1502 (1)");
  EXPECT_EQ(asked[0].password.device, "Прибор №1234");
  EXPECT_EQ(asked[0].password.user, "Запись конфигурации");
  EXPECT_EQ(asked[0].password.maxLength, 15);
  EXPECT_TRUE(prompts.Faults().empty());
}

TEST(PasswordPrompt, CancelAbandonsTheLoginAndLeavesItsFieldsAlone)
{
  TestApp();
  ScriptedPrompts prompts;
  prompts.RefusePassword();
  WorkerReports reports;
  const LoginSide side = RequestFromWorker(prompts, nullptr, PasswordSubject{"COM1 (5)", ""}, 1, reports);
  EXPECT_FALSE(side.confirmed);
  EXPECT_EQ(side.level, 1);
  EXPECT_TRUE(side.password.empty());
  EXPECT_FALSE(side.remember);
  EXPECT_EQ(reports.lines, std::vector<std::string>{"Авторизация"});
}

TEST(PasswordPrompt, AccessLevelTexts)
{
  EXPECT_EQ(AccessLevelText(1), "Запись конфигурации");
  EXPECT_EQ(AccessLevelText(2), "Управление выходами");
  EXPECT_EQ(AccessLevelText(0), "?");
  EXPECT_EQ(AccessLevelText(3), "?");
}

TEST(PasswordPrompt, DialogRowsByLevelAndDevice)
{
  TestApp();
  struct Case {
    const char* name;
    std::int32_t level;
    const char* device;
    const char* user;
  };
  const Case cases[] = {
      {"configuration write", 1, "Прибор №7", "Запись конфигурации"},
      {"outputs, no device information", 2, "", "Управление выходами"},
      {"unknown level", 5, "", "?"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedPrompts prompts;
    prompts.AnswerPassword("pw", false);
    const auto answer = ShowPasswordDialog(prompts, nullptr, PasswordSubject{"COM1 (1)", c.device}, c.level);
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->password, "pw");
    EXPECT_FALSE(answer->remember);
    const auto asked = prompts.Asked();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].password.device, c.device);
    EXPECT_EQ(asked[0].password.user, c.user);
  }
}

TEST(PasswordPrompt, ThePasswordReachesTheDeviceInItsCodePage)
{
  TestApp();
  ScriptedPrompts prompts;
  // The dialog itself accepts only the space to 'z'; the conversion is the last step.
  prompts.AnswerPassword("Ab_1 пароль");
  const auto answer = ShowPasswordDialog(prompts, nullptr, PasswordSubject{"COM1 (1)", ""}, 1);
  ASSERT_TRUE(answer.has_value());
  EXPECT_EQ(answer->password, "Ab_1 \xEF\xE0\xF0\xEE\xEB\xFC");
}
