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
      "# the tour\n"
      "\n"
      "tap 10 20.5\r\n"
      "  down 1 2\n"
      "move 3 4\n"
      "up 5 6\n"
      "drag 0 100 0 300 0.25\n"
      "type  two  words \n"
      "key escape\n"
      "wait 1.5\n"
      "shot main-1\n"
      "dump main_1.tree\n"
      "appearance dark\n",
      "tour.script");
  ASSERT_EQ(s.steps.size(), 11u);
  EXPECT_EQ(s.steps[0].kind, Kind::Tap);
  EXPECT_EQ(s.steps[0].line, 3);
  EXPECT_EQ(s.steps[0].point.y, 20.5);
  EXPECT_EQ(s.steps[1].kind, Kind::Down);
  EXPECT_EQ(s.steps[3].kind, Kind::Up);
  const ScriptStep& drag = s.steps[4];
  EXPECT_EQ(drag.kind, Kind::Drag);
  EXPECT_EQ(drag.to.y, 300);
  EXPECT_EQ(drag.seconds, 0.25);
  // Only the one space after the command is taken away: the rest is what the person types.
  EXPECT_EQ(s.steps[5].text, " two  words ");
  EXPECT_EQ(s.steps[6].key, Key::Escape);
  EXPECT_EQ(s.steps[7].seconds, 1.5);
  EXPECT_EQ(s.steps[8].text, "main-1");
  EXPECT_EQ(s.steps[9].kind, Kind::Dump);
  EXPECT_EQ(s.steps[9].line, 12);
  EXPECT_EQ(s.steps[10].kind, Kind::Appearance);
  EXPECT_TRUE(s.steps[10].dark);
}

TEST(Script, RefusesMistakesNamingTheLine) {
  EXPECT_EQ(errorOf("wait 1\ntapp 1 2\n"), "t.script:2: unknown command \"tapp\"");
  EXPECT_EQ(errorOf("tap 1\n"), "t.script:1: usage: tap X Y");
  EXPECT_EQ(errorOf("tap 1 2 3\n"), "t.script:1: usage: tap X Y");
  EXPECT_EQ(errorOf("tap 1 2px\n"), "t.script:1: \"2px\" is not a number");
  EXPECT_EQ(errorOf("appearance dim\n"), "t.script:1: unknown appearance \"dim\" (light or dark)");
  EXPECT_NE(errorOf("tap nan 2\n"), "");
  EXPECT_NE(errorOf("wait inf\n"), "");
  EXPECT_EQ(errorOf("wait -1\n"), "t.script:1: a wait is 0 to 3600 seconds");
  EXPECT_EQ(errorOf("wait 3601\n"), "t.script:1: a wait is 0 to 3600 seconds");
  EXPECT_EQ(errorOf("wait 0\n"), "");
  EXPECT_EQ(errorOf("drag 0 0 1 1 0\n"), "t.script:1: a drag takes more than 0 and at most 60 seconds");
  EXPECT_NE(errorOf("drag 0 0 1 1 61\n"), "");
  EXPECT_EQ(errorOf("drag 0 0 1 1\n"), "t.script:1: usage: drag X1 Y1 X2 Y2 SECONDS");
  EXPECT_EQ(errorOf("type\n"), "t.script:1: \"type\" needs the text to type");
  EXPECT_EQ(errorOf("key tab\n"), "t.script:1: unknown key \"tab\" (return, escape or backspace)");
  EXPECT_EQ(errorOf("shot\n"), "t.script:1: usage: shot NAME");
}

TEST(Script, KeepsOutputInsideTheFolderAndNeverOverwritesIt) {
  const std::vector<std::string> bad{"../up", "a/b", ".hidden", "sp%ce", "..", std::string(101, 'n')};
  for (const std::string& name : bad) EXPECT_NE(errorOf("shot " + name + "\n"), "") << name;
  // A second picture of the same name would silently replace the first.
  EXPECT_EQ(errorOf("shot a\nwait 1\nshot a\n"), "t.script:3: \"a\" was already written on line 1");
  EXPECT_EQ(errorOf("dump a\ndump a\n"), "t.script:2: \"a\" was already written on line 1");
  EXPECT_EQ(errorOf("shot a\ndump a\n"), "");  // a.png and a.json
}

TEST(Script, MissingFileIsAnError) {
  try {
    Script::load("/nonexistent/tour.script");
    FAIL() << "loaded a missing file";
  } catch (const ScriptError& e) {
    EXPECT_EQ(e.line(), 0);
    EXPECT_NE(std::string(e.what()).find("/nonexistent/tour.script:0: cannot read the script"), std::string::npos);
  }
}

}  // namespace
}  // namespace platform::shell
