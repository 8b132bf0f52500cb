// The update workflow against the simulated recorder: the road of one update, the
// version policy and the closing messages, with the release's (sample) images.

#include "WindowDriving.h"

#include "recorder/access/RegErrors.h"
#include "recorder/info/VersionWord.h"
#include "support/ModbusTestUtil.h"

namespace {

constexpr std::uint32_t kRelease = 0x0201A073;  // 2.1.160.115

// One update as the main window runs it, with the log and the browser recorded.
struct Update {
  explicit Update(RecorderRoad& road) : road(road), environment(prompts, ReleaseImages())
  {
    environment.log = [this](const std::string& line) { log.push_back(line); };
    environment.openUrl = [this](const std::string& url) {
      opened.push_back(url);
      return browserAnswer;
    };
    environment.runUpgrade = ProgressWindowUpload(prompts, beeps.Event());
  }
  void Run() { RunUpdateWorkflow(environment, *road.transport, road.unit); }

  RecorderRoad& road;
  ScriptedPrompts prompts;
  UpdateEnvironment environment;
  std::vector<std::string> log;
  std::vector<std::string> opened;
  int browserAnswer = 42;
  BeepLog beeps;
};

class WholeRoad : public ::testing::TestWithParam<LinkKind> {};

// A model 21 recorder, hardware 2.5, firmware 2.1.70 is offered the newest image of its
// hardware, receives it, and after the upload the walk finds nothing newer.
TEST_P(WholeRoad, UpdatesTheRecorderToTheNewestImageOfItsHardware)
{
  RecorderRoad road(GetParam());
  road.Serve("corvane-21-2.1.70-h2.5", kRelease);
  Update update(road);
  ProgressRecord progress;
  update.prompts.Answer(PromptResult::Ok)           // the recorder as read
      .Answer(PromptResult::Ok)                     // "Обновить до версии 2.1.160.115?"
      .AnswerModal(DriveProgress(progress))         // the progress window, and in it
      .AnswerTask(PromptResult::Yes)                // the job's final confirmation
      .Answer(PromptResult::Ok);                    // the recorder read again, now 2.1.160.115
  update.Run();

  EXPECT_TRUE(update.prompts.Faults().empty()) << ::testing::PrintToString(update.prompts.Faults());
  EXPECT_EQ(update.prompts.Pending(), 0u);
  const std::string source = road.Source();
  EXPECT_EQ(BoxTexts(update.prompts),
            (std::vector<std::string>{
                source + ":\r\nРегистратор зав. №2170025 (Corvane-Tovi-318K),\r\nтекущая версия ПО 2.1.70.0.\r\n",
                source + ":\r\nРегистратор зав. №2170025 (Corvane-Tovi-318K)\r\nимеет версию ПО 2.1.70.0.\r\n"
                         "Обновить до версии 2.1.160.115?",
                source + ":\r\nРегистратор зав. №2170025 (Corvane-Tovi-318K),\r\nтекущая версия ПО 2.1.160.115.\r\n",
            }));
  EXPECT_EQ(update.log, (std::vector<std::string>{
                            source + ": регистратор зав. №2170025 (Corvane-Tovi-318K) v2.1.70.0 -> v2.1.160.115",
                            "OK",
                        }));

  // The final confirmation, in the progress window.
  const auto asked = update.prompts.Asked();
  const auto task = std::find_if(asked.begin(), asked.end(), [](const AskedPrompt& a) { return a.kind == PromptKind::TaskDialog; });
  ASSERT_NE(task, asked.end());
  EXPECT_EQ(task->owner, progress.window);
  EXPECT_EQ(task->caption, "Kestrel");
  EXPECT_EQ(task->task.title, "Обновление ПО регистратора");
  EXPECT_EQ(task->task.text, "Регистратор по адресу " + source +
                                 ": Corvane-Tovi-318K №2170025\r\nВерсия ПО: 2.1.70.0\r\nВерсия АО: 2.5\r\n\r\n"
                                 "Вы действительно хотите обновить ПО?");
  EXPECT_EQ(task->task.buttons, (std::vector<PromptResult>{PromptResult::Yes, PromptResult::Cancel}));
  EXPECT_EQ(task->task.defaultButton, PromptResult::Yes);
  EXPECT_EQ(task->task.icon, PromptIcon::Information);
  ASSERT_EQ(task->task.links.size(), 1u);  // the backup, offered and not taken
  EXPECT_EQ(task->task.links[0].caption, "Сделать резервную копию");

  EXPECT_EQ(progress.finishes, std::vector<JobEnd>{JobEnd::Succeeded});
  EXPECT_EQ(progress.result, 1);
  EXPECT_TRUE(Contains(progress.log, "Подключение к " + road.transport->ConnectionName() + "\n"));
  EXPECT_TRUE(Contains(progress.log, "Идентификация\nCorvane-KX-318 v2.1.70\nЗагрузка обновления\nУстановка обновления\n"
                                     "Загрузка обновления выполнена успешно.\nВыключите и снова включите питание."))
      << progress.log;
  EXPECT_EQ(Contains(progress.log, "IP адрес: 127.0.0.1"), GetParam() != LinkKind::Rtu);
  EXPECT_EQ(update.beeps.Sounds(), std::vector<BeepSound>{BeepSound::Default});

  // The recorder received the image's payload byte for byte: the sample payload of
  // FW_Q318-0-RU-V2.1.160.115-25, fifth in the manifest, is 2048 + 4 * 256 bytes.
  const auto received = road.ReceivedImage();
  EXPECT_EQ(received, PayloadOf(ReleaseImage("FW_Q318-0-RU-V2.1.160.115-25")));
  ASSERT_EQ(received.size(), 3072u);
  const std::string banner = "KESTREL SYNTHETIC SAMPLE PAYLOAD - NOT FIRMWARE - FW_Q318-0-RU-V2.1.160.115-25\n";
  EXPECT_EQ(std::string(received.begin(), received.begin() + banner.size()), banner);
  EXPECT_EQ(road.Requests(0x68, 1).size(), 13u);  // 12 x 246 + 120
  EXPECT_EQ(road.Requests(0x68, 2).size(), 1u);
  road.Device([](recsim::Device& device) {
    EXPECT_EQ(device.upload.installSize, 3072u);
    EXPECT_EQ(recsim::Firmware(device).chunksOutOfOrder, 0u);
    EXPECT_EQ(recsim::Firmware(device).installsMismatched, 0u);
    EXPECT_EQ(recsim::Firmware(device).firmwareSwitches, 1u);
    return 0;
  });
  // Identified by the workflow and again by the job.
  EXPECT_EQ(road.Requests(0x2B).size(), 2u);
  // The connection was closed while the user read each box and opened again.
  if (GetParam() == LinkKind::Tcp) {
    EXPECT_GE(road.TcpConnections(), 4u);
  }
}

INSTANTIATE_TEST_SUITE_P(Links, WholeRoad, ::testing::ValuesIn(AllLinks()),
                         [](const auto& info) { return std::string(LinkKindName(info.param)); });

// A model 51 from firmware 2.1.158 tells its variant by feature bit 29.
TEST(ImageWalk, Model51GetsTheImageOfItsVariant)
{
  const struct {
    const char* profile;
    const char* image;
  } cases[] = {
      {"corvane-51-2.1.158-h2.6-p", "FW_L7-0-RU-V2.1.160.115-26-P"},
      {"corvane-51-2.1.158-h2.6-a", "FW_L7-0-RU-V2.1.160.115-26-A"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.profile);
    RecorderRoad road(LinkKind::Tcp);
    road.Serve(c.profile, kRelease);
    Update update(road);
    ProgressRecord progress;
    update.prompts.Answer(PromptResult::Ok)
        .Answer(PromptResult::Ok)
        .AnswerModal(DriveProgress(progress))
        .AnswerTask(PromptResult::Yes)
        .Answer(PromptResult::Ok);
    update.Run();
    EXPECT_TRUE(update.prompts.Faults().empty()) << ::testing::PrintToString(update.prompts.Faults());
    EXPECT_EQ(road.ReceivedImage(), PayloadOf(ReleaseImage(c.image)));
    EXPECT_EQ(update.prompts.Pending(), 0u);
  }
}

TEST(ImageWalk, ClosingMessageWhenNoUploadWasConfirmed)
{
  const struct {
    const char* profile;
    std::string text;  // after the connection
  } cases[] = {
      // One image tested as installed.
      {"corvane-21-2.1.160.115-h2.5",
       ":\r\nРегистратор зав. №2160025 (Corvane-Tovi-318K)\r\nуже имеет самую свежую версию ПО (2.1.160.115)."},
      // Hardware 2.1: no image is made for it.
      {"corvane-2.1.120", ":\r\nРегистратор зав. №21120 (Corvane-Tovi-318K), версия ПО 2.1.120.0.\r\n"
                          "Обновления для этой версии не найдены."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.profile);
    RecorderRoad road(LinkKind::Tcp);
    road.Serve(c.profile);
    Update update(road);
    update.prompts.Answer(PromptResult::Ok).Answer(PromptResult::Ok);
    update.Run();
    const auto texts = BoxTexts(update.prompts);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1], road.Source() + c.text);
    EXPECT_TRUE(update.log.empty());
  }
}

// The general firmware 2.1.32 to 2.1.37 is blocked; 2.1.38 is walked (and is offered
// the 2.1.128.135 image, the 2.1.160.115 one wanting general firmware 2.1.65).
TEST(ImageWalk, BlockedGeneralFirmware)
{
  const struct {
    std::uint32_t general;
    std::string secondBox;
  } cases[] = {
      {MakeVersion(2, 1, 37, 200),
       ":\r\nРегистратор имеет версию ПО 2.1.37.200\r\nОбновление версий 2.1.32 - 2.1.37\r\nзаблокировано по "
       "техническим причинам.\r\nОбратитесь к производителю на support@example.invalid за дальнейшими инструкциями."},
      {MakeVersion(2, 1, 38, 0), ":\r\nРегистратор зав. №2170025 (Corvane-Tovi-318K)\r\nимеет версию ПО 2.1.70.0.\r\n"
                                 "Обновить до версии 2.1.128.135?"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(VersionToText(c.general));
    RecorderRoad road(LinkKind::Tcp);
    auto profile = *recsim::FindProfile("corvane-21-2.1.70-h2.5");
    profile.GenSwVersion = c.general;
    road.Serve(profile);
    Update update(road);
    update.prompts.Answer(PromptResult::Ok).Answer(PromptResult::Cancel);
    update.Run();
    const auto texts = BoxTexts(update.prompts);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1], road.Source() + c.secondBox);
    EXPECT_TRUE(road.Requests(0x68).empty());
  }
}

TEST(VersionPolicy, RulesByIdentifiedVersion)
{
  const struct {
    const char* revision;
    VersionRule rule;
  } cases[] = {
      {"v1.10.20", VersionRule::SeparateProgram}, {"v2.0.0", VersionRule::TooOld},
      {"v2.0.15", VersionRule::TooOld},           {"v2.0.16", VersionRule::ImageWalk},
      {"v2.1.160", VersionRule::ImageWalk},       {"v2.1.161", VersionRule::Newer},
      {"v2.2.0", VersionRule::Branch22},          {"v2.2.3", VersionRule::Branch22},
      {"v2.2.4", VersionRule::Newer},             {"v3.0.0", VersionRule::Newer},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.revision);
    std::uint32_t version = 0;
    ASSERT_TRUE(ParseVersionText(c.revision, version));
    EXPECT_EQ(ApplyVersionPolicy(version), c.rule);
  }
}

// The policy's messages as the identified recorder gets them.
TEST(VersionPolicy, MessagesOfTheIdentifiedVersion)
{
  const std::string askMaker = "Обратитесь к производителю на support@example.invalid за дальнейшими инструкциями.";
  const std::string newer = "-\r\nболее свежее, чем данное обновление (2.1.160).\r\n\r\nЗагрузить свежую версию программы "
                            "обновления ПО регистратора с сайта разработчика (потребуется доступ в сеть Интернет)?";
  const struct {
    const char* name;
    recsim::Brand brand;
    const char* revision;
    std::string text;  // after the connection
    std::string url;   // opened on Yes
  } cases[] = {
      {"first line below 2.0", recsim::Brand::Corvane, "v1.10.20",
       ":\r\nДля обновления ПО регистраторов модели Corvane-Tovi-L5,7 предназначена отдельная программа." + askMaker, ""},
      {"second line below 2.0", recsim::Brand::Pelkar, "v1.10.20",
       ":\r\nДля обновления ПО регистраторов модели Pelkar-740 предназначена отдельная программа." + askMaker, ""},
      {"2.2.0", recsim::Brand::Pelkar, "v2.2.0",
       ":\r\nРегистратор имеет версию ПО 2.2.0\r\nДля обновления версий 2.2.x\r\nобратитесь к производителю на "
       "support@example.invalid за дальнейшими инструкциями.",
       ""},
      {"2.2.3", recsim::Brand::Corvane, "v2.2.3",
       ":\r\nРегистратор имеет версию ПО 2.2.3\r\nДля обновления версий 2.2.x\r\nобратитесь к производителю на "
       "support@example.invalid за дальнейшими инструкциями.",
       ""},
      {"2.2.4 second line", recsim::Brand::Pelkar, "v2.2.4",
       ":\r\nРегистратор Pelkar-740-L7 имеет ПО версии v2.2.4 " + newer, "https://example.invalid/downloads/kestrel-pelkar/"},
      {"2.1.161 first line", recsim::Brand::Corvane, "v2.1.161",
       ":\r\nРегистратор Corvane-KX-318 имеет ПО версии v2.1.161 " + newer, "https://example.invalid/"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RecorderRoad road(LinkKind::Tcp);
    road.Serve(recsim::BuildProfile({.Name = c.name, .BrandLine = c.brand, .Firmware = "2.1.100", .Model = 51,
                                     .SerialNumber = 77, .Revision = c.revision}));
    Update update(road);
    update.prompts.Answer(c.url.empty() ? PromptResult::Ok : PromptResult::Yes);
    update.Run();
    const auto asked = update.prompts.Asked();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].message.text, road.Source() + c.text);
    EXPECT_EQ(asked[0].message.icon, PromptIcon::Information);
    EXPECT_EQ(asked[0].message.buttons, c.url.empty() ? PromptButtons::Ok : PromptButtons::YesNoCancel);
    EXPECT_EQ(update.opened, c.url.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.url});
    // Nothing beyond the identification was asked of the recorder.
    EXPECT_TRUE(road.Requests(0x64).empty());
  }
}

TEST(VersionPolicy, NewerVersionDeclinedOrBrowserFailing)
{
  RecorderRoad road(LinkKind::Tcp);
  road.Serve("pelkar-2.1.161");
  {
    Update update(road);
    update.prompts.Answer(PromptResult::No);
    update.Run();
    EXPECT_TRUE(update.opened.empty());
    EXPECT_EQ(update.prompts.Asked().size(), 1u);
  }
  Update update(road);
  update.browserAnswer = 31;
  update.prompts.Answer(PromptResult::Yes).Answer(PromptResult::Ok);
  update.Run();
  const auto texts = BoxTexts(update.prompts);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[1], "Ошибка 31: что-то пошло не так :(");
  EXPECT_EQ(update.prompts.Asked()[1].message.icon, PromptIcon::Error);
}

TEST(VersionPolicy, TooOldIsRaisedForTheErrorBox)
{
  RecorderRoad road(LinkKind::Tcp);
  road.Serve(recsim::BuildProfile({.Name = "2.0.15", .Firmware = "2.0.15", .Model = 21, .SerialNumber = 2015}));
  Update update(road);
  EXPECT_THROW_MSG(update.Run(), Registrator::EMBUnsupportedOldVersion,
                   road.Source() + ": Регистратор имеет версию ПО 2.0.15\r\nПрограмма поддерживает работу с "
                                   "регистраторами версий от 2.0.16 включительно.\r\nДля работы с регистратором "
                                   "требуется обновление программы.");
  EXPECT_TRUE(update.prompts.Asked().empty());
}

TEST(VersionPolicy, WalkedVersionsReadTheDeviceInformation)
{
  for (const char* firmware : {"2.0.16", "2.1.160"}) {
    SCOPED_TRACE(firmware);
    RecorderRoad road(LinkKind::Tcp);
    road.Serve(recsim::BuildProfile(
        {.Name = firmware, .BrandLine = recsim::Brand::Corvane, .Firmware = firmware, .Model = 21, .SerialNumber = 5}));
    Update update(road);
    update.prompts.Answer(PromptResult::Cancel);
    update.Run();
    const auto texts = BoxTexts(update.prompts);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_TRUE(Contains(texts[0], "текущая версия ПО " + std::string(firmware) + ".0.")) << texts[0];
  }
}

// A revision text without three numbers is an unsupported device, offered for retry.
TEST(VersionPolicy, UnreadableRevisionIsOfferedForRetry)
{
  RecorderRoad road(LinkKind::Tcp);
  road.Serve("revision-two-numbers");
  Update update(road);
  update.prompts.Answer(PromptResult::Retry).Answer(PromptResult::Cancel);
  update.Run();
  const std::string expected =
      "Ошибка: " + road.Source() + ": Неподдерживаемое устройство\r\nPelkar\r\nPelkar-740-L7\r\nv2.1";
  EXPECT_EQ(BoxTexts(update.prompts), (std::vector<std::string>{expected, expected}));
  EXPECT_EQ(update.prompts.Asked()[0].message.buttons, PromptButtons::RetryCancel);
  EXPECT_EQ(update.prompts.Asked()[0].message.icon, PromptIcon::Error);
  EXPECT_EQ(road.Requests(0x2B).size(), 2u);
}

// A recorder of another model or brand line found in the information is offered for retry.
TEST(DeviceInformation, UnsupportedModelOrLineIsOfferedForRetry)
{
  const struct {
    const char* name;
    std::uint8_t model;
    std::uint8_t line;
    const char* message;
  } cases[] = {
      {"model 50", 50, 0, "Ошибка: Ошибка [303]"},
      {"line 3", 21, 3, "Ошибка: Ошибка [292]"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RecorderRoad road(LinkKind::Tcp);
    auto profile = *recsim::FindProfile("corvane-21-2.1.70-h2.5");
    profile.ModelCode = c.model;
    profile.DeviceLine = c.line;
    road.Serve(profile);
    Update update(road);
    update.prompts.Answer(PromptResult::Cancel);
    update.Run();
    EXPECT_EQ(BoxTexts(update.prompts), std::vector<std::string>{c.message});
  }
}

// A transport cancelled while the information is read ends the update without a box.
TEST(DeviceInformation, CancelledTransportEndsSilently)
{
  RecorderRoad road(LinkKind::Tcp);
  road.Serve("corvane-21-2.1.70-h2.5");
  road.server.AddFault(recsim::Fault::Of(recsim::Fault::Kind::Silence).OnFunction(0x64));
  Update update(road);
  std::thread canceller([&] {
    road.server.WaitForLog(2, 30000);
    road.transport->Cancel();
  });
  update.Run();
  canceller.join();
  EXPECT_TRUE(update.prompts.Asked().empty());
}

}  // namespace
