#include "platform/shell/ShellOptions.h"

#include <gtest/gtest.h>

#include "platform/foundation/ProcessArguments.h"

namespace platform::shell {
namespace {

using Mode = ShellOptions::Mode;

ShellOptions parse(std::vector<std::string> args, bool display = false) {
  args.insert(args.begin(), "ostrel");
  return ShellOptions::parse(args, display);
}

TEST(ShellOptions, ChoosesTheModeFromOptionsAndDisplayAndRefusesUsageMistakes) {
  EXPECT_EQ(parse({}).mode, Mode::Headless);
  EXPECT_EQ(parse({}, true).mode, Mode::Window);
  EXPECT_EQ(parse({"--window", "--out", "shots"}).out, "shots");
  ShellOptions s = parse({"--home", "/h", "--script", "a.script", "--out", "pics"}, true);
  EXPECT_EQ(s.mode, Mode::Script);
  EXPECT_EQ(s.home, "/h");
  EXPECT_EQ(s.script, "a.script");
  // The libraries' own switches pass through; near misses of ours do not.
  EXPECT_EQ(parse({"-APMAnalyticsDebugEnabled", "-noZEDIvadazudoDebugEnabled"}).mode, Mode::Headless);
  const std::vector<std::vector<std::string>> bad{
      {"--script", "a.script"},  // nowhere to write
      {"--out", "pics"},         // nothing to write
      {"--script", "a", "--out", "o", "--window"}, {"--home"}, {"--home", ""}, {"--scirpt", "a"}, {"tour.script"},
      {"-"},
  };
  for (const auto& args : bad) EXPECT_THROW(parse(args), std::invalid_argument) << args[0];
}

// The next option is a value forgotten, never the value: "--home --verbose" made a folder "--verbose".
TEST(ShellOptions, AnOptionsValueIsNeverTheNextOption) {
  for (const auto& [args, message] : std::vector<std::pair<std::vector<std::string>, std::string>>{
           {{"--home", "--verbose"}, "--home needs a value, not the option \"--verbose\" (a file of that name is ./--verbose)"},
           {{"--script", "--out", "o"}, "--script needs a value, not the option \"--out\""},
           {{"--window", "--out", "--"}, "--out needs a value, not the option \"--\""},
           {{"--verbose", "--home"}, "--home needs a value"}}) {
    try {
      parse(args);
      ADD_FAILURE() << args[0] << " " << args[1] << " was taken";
    } catch (const std::invalid_argument& e) {
      EXPECT_EQ(std::string(e.what()).rfind(message, 0), 0u) << e.what();
    }
  }
  // A value of one dash, or one that only holds dashes further on, is a value.
  EXPECT_EQ(parse({"--home", "-", "--window"}).home, "-");
  EXPECT_EQ(parse({"--home", "./--verbose"}).home, "./--verbose");
  EXPECT_EQ(parse({"--script", "a--b", "--out", "o"}).script, "a--b");
}

// A phone passes any "-Word" to the app, so a mistyped option would be read by nobody, in silence.
TEST(ShellOptions, WarnsOfSingleDashWordsNoLibraryReadsAndNamesTheOptionMeant) {
  foundation::declareLaunchArguments({"-ShellTestSwitchEnabled"});
  EXPECT_TRUE(parse({"-ShellTestSwitchEnabled"}).warnings.empty());
  EXPECT_TRUE(parse({"-help"}).help);
  for (const auto& [word, meant] : std::vector<std::pair<std::string, std::string>>{
           {"-window", "--window"}, {"-verbose", "--verbose"}, {"-Verbos", "--verbose"}, {"-scrpit", "--script"},
           {"-home", "--home"}, {"-out", "--out"},
           // However short: the start of one option resembles it.
           {"-win", "--window"}, {"-w", "--window"}, {"-s", "--script"}, {"-o", "--out"}, {"-Verb", "--verbose"}}) {
    const auto options = parse({word});
    ASSERT_EQ(options.warnings.size(), 1u) << word;
    EXPECT_NE(options.warnings[0].find("\"" + word + "\""), std::string::npos) << options.warnings[0];
    EXPECT_NE(options.warnings[0].find("did you mean " + meant + "?"), std::string::npos) << options.warnings[0];
    EXPECT_EQ(options.mode, Mode::Headless) << "a warning changes nothing else";
  }
  // Any word of one dash is a launch argument to the phone, however short or odd: warned of, never refused.
  for (const std::string word : {"-Fullscreen", "-x", "-Q", "-1Enabled"}) {
    const auto unknown = parse({word, "--verbose"});
    ASSERT_EQ(unknown.warnings.size(), 1u) << word;
    EXPECT_EQ(unknown.warnings[0].find("did you mean"), std::string::npos) << unknown.warnings[0];
    EXPECT_NE(unknown.warnings[0].find("\"" + word + "\" is neither an option"), std::string::npos) << unknown.warnings[0];
    EXPECT_TRUE(unknown.verbose);
  }
}

// Every usage mistake names what it most likely meant: the option, its form, or the launch argument.
TEST(ShellOptions, NamesTheOptionOrLaunchArgumentAMistakeResembles) {
  const auto refusal = [](std::vector<std::string> args) -> std::string {
    try {
      parse(std::move(args));
    } catch (const std::invalid_argument& e) {
      return e.what();
    }
    return "taken";
  };
  EXPECT_EQ(refusal({"-home", "/tmp/h"}), "\"-home /tmp/h\": did you mean --home /tmp/h?");
  EXPECT_EQ(refusal({"-script", "ok.script", "-out", "o"}), "\"-script ok.script\": did you mean --script ok.script?");
  EXPECT_EQ(refusal({"--windw"}), "unknown option \"--windw\" (did you mean --window?)");
  EXPECT_EQ(refusal({"--verbos"}), "unknown option \"--verbos\" (did you mean --verbose?)");
  EXPECT_EQ(refusal({"-s", "ok.script", "-o", "o"}), "\"-s ok.script\": did you mean --script ok.script?");
  EXPECT_EQ(refusal({"--win"}), "unknown option \"--win\" (did you mean --window?)");
  EXPECT_EQ(refusal({"--h"}), "unknown option \"--h\"");  // --help or --home: neither is named
  EXPECT_EQ(refusal({"--Window"}), "unknown option \"--Window\" (did you mean --window?)");
  EXPECT_EQ(refusal({"window"}), "unknown argument \"window\" (did you mean --window?)");
  EXPECT_EQ(refusal({"--home=/tmp/h"}), "\"--home=/tmp/h\": an option and its value are two words (--home /tmp/h)");
  EXPECT_EQ(refusal({"--frobnicate"}), "unknown option \"--frobnicate\"");
  EXPECT_EQ(refusal({"tour.script"}), "unknown argument \"tour.script\"");
  // A launch argument's near miss names the launch argument, whatever the case of its letters.
  foundation::declareLaunchArguments({"-ShellTestDebugEnabled", "-ShellTestVerboseLoggingEnabled"});
  for (const auto& [word, meant] : std::vector<std::pair<std::string, std::string>>{
           {"-ShellTestDebugEnable", "-ShellTestDebugEnabled"},
           {"-shelltestdebugenabled", "-ShellTestDebugEnabled"},
           {"-ShellTestVerboseLogingEnabled", "-ShellTestVerboseLoggingEnabled"},
           {"-ShellTestVerb", "-ShellTestVerboseLoggingEnabled"}}) {
    const auto options = parse({word});
    ASSERT_EQ(options.warnings.size(), 1u) << word;
    EXPECT_NE(options.warnings[0].find("did you mean " + meant + "?"), std::string::npos) << options.warnings[0];
  }
  // The start of two names names neither.
  EXPECT_EQ(parse({"-ShellTest"}).warnings.at(0).find("did you mean"), std::string::npos);
  // A lone "-home" stays a warning: a phone hands it to the app like any launch argument.
  EXPECT_EQ(parse({"-home"}).warnings.size(), 1u);
}

}  // namespace
}  // namespace platform::shell
