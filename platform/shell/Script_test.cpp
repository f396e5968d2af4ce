#include "platform/shell/Script.h"

#include <gtest/gtest.h>

namespace platform::shell {
namespace {

using Kind = ScriptStep::Kind;

// The message of the error a script raises, or "" when it parses.
std::string errorOf(const std::string& text) {
  try {
    Script::parse(text, "t.script");
  } catch (const ScriptError& e) {
    return e.what();
  }
  return "";
}

TEST(Script, ReadsEveryCommandWithItsLineNumber) {
  Script s = Script::parse(
      "# the tour\n\ntap 10 20.5\r\n  down 1 2\nmove 3 4\nup 5 6\ndrag 0 100 0 300 0.25\ntype  two  words \n"
      "key escape\nwait 1.5\nshot main-1\ndump main_1.tree\nappearance dark\n",
      "tour.script");
  ASSERT_EQ(s.steps.size(), 11u);
  const std::vector<Kind> kinds{Kind::Tap, Kind::Down, Kind::Move, Kind::Up, Kind::Drag, Kind::Type,
                                Kind::Key, Kind::Wait, Kind::Shot, Kind::Dump, Kind::Appearance};
  for (size_t i = 0; i < kinds.size(); ++i) {
    EXPECT_EQ(s.steps[i].kind, kinds[i]) << i;
    EXPECT_EQ(s.steps[i].line, static_cast<int>(i) + 3) << i;
  }
  EXPECT_EQ(s.steps[0].point.y, 20.5);
  EXPECT_EQ(s.steps[4].to.y, 300);
  EXPECT_EQ(s.steps[4].seconds, 0.25);
  // Only the one space after the command is taken away: the rest is what the person types.
  EXPECT_EQ(s.steps[5].text, " two  words ");
  EXPECT_EQ(s.steps[6].key, Key::Escape);
  EXPECT_TRUE(s.steps[10].dark);
}

TEST(Script, RefusesMistakesNamingTheLine) {
  const std::vector<std::pair<std::string, std::string>> cases{
      {"wait 1\ntapp 1 2\n", "t.script:2: unknown command \"tapp\""},
      {"tap 1\n", "t.script:1: usage: tap X Y"},
      {"tap 1 2 3\n", "t.script:1: usage: tap X Y"},
      {"tap 1 2px\n", "t.script:1: \"2px\" is not a number"},
      {"tap nan 2\n", "t.script:1: \"nan\" is not a number"},
      {"appearance dim\n", "t.script:1: unknown appearance \"dim\" (light or dark)"},
      {"wait inf\n", "t.script:1: \"inf\" is not a number"},
      {"wait -1\n", "t.script:1: a wait is 0 to 3600 seconds"},
      {"wait 3601\n", "t.script:1: a wait is 0 to 3600 seconds"},
      {"wait 0\n", ""},
      {"drag 0 0 1 1 0\n", "t.script:1: a drag takes more than 0 and at most 60 seconds"},
      {"drag 0 0 1 1 61\n", "t.script:1: a drag takes more than 0 and at most 60 seconds"},
      {"drag 0 0 1 1\n", "t.script:1: usage: drag X1 Y1 X2 Y2 SECONDS"},
      {"type\n", "t.script:1: \"type\" needs the text to type"},
      {"key tab\n", "t.script:1: unknown key \"tab\" (return, escape or backspace)"},
      {"shot\n", "t.script:1: usage: shot NAME"},
      // Output stays inside the folder and a second file of one name would silently replace the first.
      {"shot a\nwait 1\nshot a\n", "t.script:3: \"a\" was already written on line 1"},
      {"dump a\ndump a\n", "t.script:2: \"a\" was already written on line 1"},
      {"shot a\ndump a\n", ""},  // a.png and a.json
      // One finger: it must be down to move or lift, and lifted to go down, tap or drag again.
      {"up 1 2\n", "t.script:1: no finger is down (a \"down\" comes first)"},
      {"move 1 2\n", "t.script:1: no finger is down (a \"down\" comes first)"},
      {"down 1 2\nwait 1\ndown 3 4\n", "t.script:3: the finger put down on line 1 is still down (an \"up\" comes first)"},
      {"down 1 2\ntap 3 4\n", "t.script:2: the finger put down on line 1 is still down (an \"up\" comes first)"},
      {"down 1 2\nmove 3 4\nup 3 4\ndown 5 6\nup 5 6\n", ""},
      // What a garbage script says is shown as escapes, never sent raw to the terminal.
      {std::string("\x1b[2J\xff\x01 1 2\n"), "t.script:1: unknown command \"\\x1B[2J\\xFF\\x01\""},
      {"t\u00e4p 1 2\n", "t.script:1: unknown command \"t\u00e4p\""},
  };
  for (const auto& [text, error] : cases) EXPECT_EQ(errorOf(text), error) << text;
  for (const std::string& name : {std::string("../up"), std::string("a/b"), std::string(".hidden"),
                                  std::string("sp%ce"), std::string(".."), std::string(101, 'n')}) {
    EXPECT_NE(errorOf("shot " + name + "\n"), "") << name;
  }
}

// A comment may follow a step, and a name may already carry its file's suffix; "type" alone keeps its
// whole line, '#' and all, since that is what the person types.
TEST(Script, TakesTrailingCommentsAndNamesWithTheirSuffix) {
  Script s = Script::parse(
      "tap 10 20  # the pad\nwait 1\t# a second\nshot a.png # the first\ndump b.json\ntype f/4 #2\n", "t.script");
  ASSERT_EQ(s.steps.size(), 5u);
  EXPECT_EQ(s.steps[0].point.y, 20);
  EXPECT_EQ(s.steps[1].seconds, 1);
  EXPECT_EQ(s.steps[2].text, "a");
  EXPECT_EQ(s.steps[3].text, "b");
  EXPECT_EQ(s.steps[4].text, "f/4 #2");
  EXPECT_EQ(errorOf("shot c#d.png\n"), "t.script:1: \"c#d\" is not a usable name (letters, digits, '-', '_', '.'; not starting with '.')");
  // One file, two spellings: the second would replace the first.
  EXPECT_EQ(errorOf("shot a\nshot a.png\n"), "t.script:2: \"a\" was already written on line 1");
  EXPECT_EQ(errorOf("tap 1 # 2\n"), "t.script:1: usage: tap X Y");
  EXPECT_EQ(errorOf("shot .png\n"), "t.script:1: \".png\" is not a usable name (letters, digits, '-', '_', '.'; not starting with '.')");
  // Only the suffix of its own kind is taken: a dump named "a.png" writes a.png.json.
  EXPECT_EQ(Script::parse("dump a.png\n").steps[0].text, "a.png");
}

// A byte-order mark an editor put before the first step is no part of it; UTF-16 is named as such.
TEST(Script, TakesAByteOrderMarkAndNamesUtf16) {
  Script s = Script::parse("\xEF\xBB\xBFwait 1\nshot a\n", "t.script");
  ASSERT_EQ(s.steps.size(), 2u);
  EXPECT_EQ(s.steps[0].kind, Kind::Wait);
  EXPECT_EQ(Script::parse("\xEF\xBB\xBF# a comment first\n").steps.size(), 0u);
  EXPECT_EQ(errorOf(std::string("\xFF\xFEw\0a\0i\0t\0", 10)), "t.script:1: the script is UTF-16 text; save it as UTF-8");
  // Only at the start: a mark further on is a stray character of a step, shown since it shows as nothing.
  EXPECT_EQ(errorOf("wait 1\n\xEF\xBB\xBFwait 1\n"), "t.script:2: unknown command \"\\xEF\\xBB\\xBFwait\"");
}

TEST(Script, MissingFileIsAnError) {
  try {
    Script::load("/nonexistent/tour.script");
    FAIL() << "loaded a missing file";
  } catch (const ScriptError& e) {
    EXPECT_EQ(e.line(), 0);
    // A file that cannot be read has no line to name.
    EXPECT_EQ(std::string(e.what()).rfind("/nonexistent/tour.script: cannot read the script", 0), 0u) << e.what();
  }
}

}  // namespace
}  // namespace platform::shell
