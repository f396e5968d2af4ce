#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Paths.h"
#include "testing/ScratchFolder.h"
#include "platform/ui/ImpactFeedbackGenerator.h"
#include "platform/ui/InterfaceRegistry.h"
#include "platform/ui/LocalizedStrings.h"
#include "platform/ui/MailComposeViewController.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/URLOpener.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/TempContainer.h"

namespace platform::ui {
namespace {

namespace fs = std::filesystem;

using ostrel::testing::ScratchFolder;

void writeFile(const std::string& path, const std::string& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

// --- the interface registry ---

class OwnerView : public View {
 public:
  std::shared_ptr<View> contentView;
};

TEST(InterfaceRegistry, BuildsScreensByIdentifierAndViewsByFileName) {
  auto& registry = InterfaceRegistry::shared();
  registry.clear();
  registry.registerController("Main_Universal", "NewMainViewController", [] {
    auto vc = make<ViewController>();
    vc->setTitle("main");
    return vc;
  });
  registry.registerController("Main_Universal", "NewCameraSetupViewController", [] {
    auto vc = make<ViewController>();
    vc->setTitle("setup");
    return vc;
  });
  auto board = Storyboard::storyboardWithName("Main_Universal");
  EXPECT_EQ(board.instantiateViewControllerWithIdentifier("NewCameraSetupViewController")->title(), "setup");
  EXPECT_EQ(board.instantiateInitialViewController()->title(), "main");
  // Each call makes a new screen.
  EXPECT_NE(board.instantiateViewControllerWithIdentifier("NewMainViewController"),
            board.instantiateViewControllerWithIdentifier("NewMainViewController"));
  EXPECT_THROW(board.instantiateViewControllerWithIdentifier("Missing"), foundation::Exception);
  EXPECT_THROW(Storyboard::storyboardWithName("Other"), foundation::Exception);

  registry.registerInterfaceFor<OwnerView>("OwnerView", [](OwnerView& owner) {
    owner.contentView = make<View>(Rect{0, 0, 10, 10});
    return std::vector<std::shared_ptr<View>>{owner.contentView};
  });
  OwnerView owner;
  auto top = registry.loadInterface("OwnerView", owner);
  ASSERT_EQ(top.size(), 1u);
  EXPECT_EQ(top[0], owner.contentView);
  auto stranger = make<View>();
  try {
    registry.loadInterface("OwnerView", *stranger);
    FAIL() << "a wrong owner must be refused";
  } catch (const foundation::Exception& e) {
    EXPECT_EQ(e.name(), "NSInternalInconsistencyException");
  }
  EXPECT_THROW(registry.loadInterface("Nothing", owner), foundation::Exception);
  registry.clear();
}

// --- haptics and URLs ---

TEST(DeviceServices, ImpactTicksAreRecordedWithTheirStyle) {
  ImpactFeedbackGenerator::clearTicks();
  ImpactFeedbackGenerator(ImpactFeedbackGenerator::Style::Heavy).impactOccurred();
  ImpactFeedbackGenerator(ImpactFeedbackGenerator::Style::Light).impactOccurred();
  auto ticks = ImpactFeedbackGenerator::ticks();
  ASSERT_EQ(ticks.size(), 2u);
  EXPECT_EQ(ticks[0].style, ImpactFeedbackGenerator::Style::Heavy);
  EXPECT_EQ(static_cast<int>(ticks[1].style), 0);
  ImpactFeedbackGenerator::clearTicks();
}

TEST(DeviceServices, OnlyWellFormedUrlsOfKnownSchemesOpen) {
  URLOpener::clearOpenedURLs();
  EXPECT_TRUE(URLOpener::canOpenURL("https://example.org/contact"));
  EXPECT_TRUE(URLOpener::canOpenURL("MAILTO:support@example.org"));
  EXPECT_FALSE(URLOpener::canOpenURL("https://"));
  EXPECT_FALSE(URLOpener::canOpenURL("https://a b"));
  EXPECT_FALSE(URLOpener::canOpenURL("https://x\n--flag"));
  EXPECT_FALSE(URLOpener::canOpenURL("file:///etc/passwd"));
  EXPECT_FALSE(URLOpener::canOpenURL("-x:y"));
  std::vector<std::string> handed;
  URLOpener::setHandler([&](const std::string& url) {
    handed.push_back(url);
    return true;
  });
  std::vector<bool> results;
  URLOpener::openURL("https://example.org/review", [&](bool ok) { results.push_back(ok); });
  URLOpener::openURL("javascript:alert(1)", [&](bool ok) { results.push_back(ok); });
  URLOpener::setHandler(nullptr);
  EXPECT_EQ(results, (std::vector<bool>{true, false}));
  EXPECT_EQ(handed, std::vector<std::string>{"https://example.org/review"});
  EXPECT_EQ(URLOpener::openedURLs(), std::vector<std::string>{"https://example.org/review"});
  URLOpener::clearOpenedURLs();
}

// --- mail ---

class MailTest : public ::testing::Test, public MailComposeViewControllerDelegate {
 protected:
  void TearDown() override { MailComposeViewController::setCanSendMail(true); }
  void mailComposeController(MailComposeViewController&, MailComposeResult result,
                             const foundation::Error* error) override {
    results.push_back(result);
    if (error) errors.push_back(error->localizedDescription());
  }

  ostrel::testing::TempContainer folder;
  ostrel::testing::MainThreadEnvironment env;
  std::shared_ptr<foundation::ManualClock> clock = env.clock();
  std::vector<MailComposeResult> results;
  std::vector<std::string> errors;
};

TEST_F(MailTest, SendingWritesAnEmlIntoTheOutbox) {
  auto mail = make<MailComposeViewController>();
  mail->setMailComposeDelegate(this);
  mail->setSubject("Ostrel Feedback");
  mail->setToRecipients({"support@example.org"});
  mail->setMessageBody("Ostrel 1.0 | iOS 17.4 | iPhone 15 \n\nI'd like to give you some feedback:\n\n", false);
  auto path = mail->send();
  ASSERT_TRUE(path);
  EXPECT_EQ(fs::path(*path).parent_path(), fs::path(MailComposeViewController::outboxPath()));
  EXPECT_EQ(fs::path(*path).extension(), ".eml");
  std::string text = *foundation::AtomicFile::readText(*path);
  EXPECT_NE(text.find("Date: Tue, 14 Nov 2023 22:13:20 +0000\r\n"), std::string::npos);
  EXPECT_NE(text.find("To: support@example.org\r\n"), std::string::npos);
  EXPECT_NE(text.find("Subject: Ostrel Feedback\r\n"), std::string::npos);
  EXPECT_NE(text.find("Content-Type: text/plain; charset=UTF-8\r\n"), std::string::npos);
  // The trailing blank of the first line survives as =20; lines end in CRLF.
  EXPECT_NE(text.find("\r\n\r\nOstrel 1.0 | iOS 17.4 | iPhone 15=20\r\n\r\nI'd like to give you some feedback:\r\n"),
            std::string::npos);
  EXPECT_EQ(results, std::vector<MailComposeResult>{MailComposeResult::Sent});
  EXPECT_FALSE(mail->send());  // sent once only
  EXPECT_EQ(results.size(), 1u);
}

TEST_F(MailTest, TheSheetsBarSendsAndCancels) {
  auto mail = make<MailComposeViewController>();
  mail->setMailComposeDelegate(this);
  mail->setSubject("Ostrel Improvements");
  std::shared_ptr<Toolbar> bar;
  for (const auto& sub : mail->view()->subviews()) {
    if (auto found = std::dynamic_pointer_cast<Toolbar>(sub)) bar = found;
  }
  ASSERT_TRUE(bar);
  ASSERT_EQ(bar->items().size(), 3u);
  bar->items()[2]->performAction();
  EXPECT_EQ(results, std::vector<MailComposeResult>{MailComposeResult::Sent});
  fs::directory_iterator outbox(MailComposeViewController::outboxPath());
  EXPECT_EQ(std::distance(outbox, fs::directory_iterator()), 1);
  bar->items()[0]->performAction();  // finished: nothing more happens
  EXPECT_EQ(results.size(), 1u);
}

TEST_F(MailTest, HeaderTextsCannotAddHeadersAndUnicodeIsEncoded) {
  auto mail = make<MailComposeViewController>();
  mail->setSubject("Hi\r\nBcc: victim@example.org");
  mail->setToRecipients({"a@example.org\nX-Evil: 1", ""});
  mail->setMessageBody("Grüße = ok", false);
  std::string text = mail->messageText();
  EXPECT_EQ(text.find("\nBcc:"), std::string::npos);
  EXPECT_EQ(text.find("\nX-Evil"), std::string::npos);
  EXPECT_NE(text.find("To: a@example.org X-Evil: 1\r\n"), std::string::npos);
  EXPECT_NE(text.find("Gr=C3=BC=C3=9Fe =3D ok"), std::string::npos);
  mail->setSubject("Grüße");
  EXPECT_NE(mail->messageText().find("Subject: =?UTF-8?B?R3LDvMOfZQ==?=\r\n"), std::string::npos);
  // Long lines are folded with soft breaks under 77 characters.
  mail->setMessageBody(std::string(300, 'x'), false);
  std::string body = mail->messageText();
  body = body.substr(body.find("\r\n\r\n") + 4);
  size_t start = 0;
  while (start < body.size()) {
    size_t end = body.find("\r\n", start);
    if (end == std::string::npos) end = body.size();
    EXPECT_LE(end - start, 76u);
    start = end + 2;
  }
}

TEST_F(MailTest, AnOutboxThatCannotBeMadeReportsFailure) {
  writeFile(folder.path() + "/Library/Outbox", "a file where the folder should be");
  auto mail = make<MailComposeViewController>();
  mail->setMailComposeDelegate(this);
  EXPECT_FALSE(mail->send());
  EXPECT_EQ(results, std::vector<MailComposeResult>{MailComposeResult::Failed});
  ASSERT_EQ(errors.size(), 1u);
  mail->cancel();  // a failed send may still be cancelled
  EXPECT_EQ(results.back(), MailComposeResult::Cancelled);
  MailComposeViewController::setCanSendMail(false);
  EXPECT_FALSE(MailComposeViewController::canSendMail());
}

// --- localisation ---

TEST(LocalizedStrings, ClassicTablesParseWithEscapesAndComments) {
  auto table = LocalizedStrings::parseStrings(
      "/* a comment */\n\"Done\" = \"Fertig\";\n// line comment\n\"Say \\\"hi\\\"\" = \"Line\\nbreak\\U00e9\";\n"
      "bare = word;\n\"Heart\" = \"\\UD83D\\UDC99\";\n\"Same\";\n");
  ASSERT_TRUE(table);
  EXPECT_EQ(table->at("Done"), "Fertig");
  EXPECT_EQ(table->at("Say \"hi\""), "Line\nbreak\u00e9");
  EXPECT_EQ(table->at("bare"), "word");
  EXPECT_EQ(table->at("Heart"), "\U0001F499");
  EXPECT_EQ(table->at("Same"), "Same");
  EXPECT_FALSE(LocalizedStrings::parseStrings("\"a\" = \"b\""));  // no semicolon
  EXPECT_FALSE(LocalizedStrings::parseStrings("\"a\" = \"b;"));   // unterminated
  EXPECT_FALSE(LocalizedStrings::parseStrings("/* open"));
}

TEST(LocalizedStrings, BundleTablesByLanguageAndMissingKeys) {
  ScratchFolder bundle;
  writeFile(bundle.path() + "/de.lproj/Localizable.strings", "\"Done\" = \"Fertig\";");
  // UTF-16 little endian with a byte-order mark, the classic encoding.
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("\"Done\" = \"Finished\";")) utf16 += std::string{c, '\0'};
  writeFile(bundle.path() + "/en.lproj/Localizable.strings", utf16);
  writeFile(bundle.path() + "/en.lproj/Guides.json", "{\"GET STARTED\": \"Get started\", \"n\": 3}");
  writeFile(bundle.path() + "/fr.lproj/Localizable.strings", "\"Done\" = broken");
  writeFile(bundle.path() + "/es.lproj/Localizable.plist",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
            "<key>Done</key><string>Hecho</string></dict></plist>");
  std::string previous = foundation::Bundle::setMainPath(bundle.path());

  LocalizedStrings::setPreferredLanguages({"de"});
  EXPECT_EQ(LocalizedStrings::localizedString("Done"), "Fertig");
  EXPECT_EQ(LocalizedStrings::localizedString("CANCEL"), "CANCEL");
  EXPECT_EQ(LocalizedStrings::localizedString("CANCEL", "Abbrechen"), "Abbrechen");
  LocalizedStrings::setPreferredLanguages({"it"});
  EXPECT_EQ(LocalizedStrings::localizedString("Done"), "Finished");
  EXPECT_EQ(LocalizedStrings::localizedString("GET STARTED", "", "Guides"), "Get started");
  EXPECT_EQ(LocalizedStrings::localizedString("n", "", "Guides"), "n");
  // A broken table shows keys; the next language's table is used instead.
  LocalizedStrings::setPreferredLanguages({"fr"});
  EXPECT_EQ(LocalizedStrings::localizedString("Done"), "Finished");
  LocalizedStrings::setPreferredLanguages({"es"});
  EXPECT_EQ(LocalizedStrings::localizedString("Done"), "Hecho");

  LocalizedStrings::setPreferredLanguages({});
  foundation::Bundle::setMainPath(previous);
  LocalizedStrings::reload();
}

}  // namespace
}  // namespace platform::ui
