#include "platform/shell/Script.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>
#include <string_view>

#include "platform/foundation/AtomicFile.h"
#include "platform/log/Log.h"

namespace platform::shell {
namespace {

constexpr size_t kMaxNameLength = 100;
constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";
// Longer spans are surely typing mistakes, and an app's repeating timers would fire for ages.
constexpr double kMaxWaitSeconds = 3600;
constexpr double kMaxDragSeconds = 60;

// "a.png" for a shot is the file a.png, as "a" is: the runner adds the suffix, and only once.
std::string withoutSuffix(const std::string& name, std::string_view suffix) {
  if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
    return name.substr(0, name.size() - suffix.size());
  }
  return name;
}

// A step may end in a comment: a '#' that begins a word and all after it. A "type" step takes the rest
// of its line as it stands, '#' included, as the person types it.
std::string withoutComment(const std::string& line) {
  for (size_t at = line.find('#'); at != std::string::npos; at = line.find('#', at + 1)) {
    if (at > 0 && (line[at - 1] == ' ' || line[at - 1] == '\t')) return line.substr(0, at);
  }
  return line;
}

// Splits at runs of spaces and tabs.
std::vector<std::string> words(const std::string& line) {
  std::vector<std::string> out;
  std::istringstream in(line);
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

class LineParser {
 public:
  LineParser(const std::string& source, int line, const std::string& text)
      : source_(source), line_(line), text_(text), words_(words(text)) {}

  ScriptStep parse() {
    ScriptStep step;
    step.line = line_;
    const std::string& command = words_[0];
    if (command == "tap" || command == "down" || command == "move" || command == "up") {
      step.kind = command == "tap"    ? ScriptStep::Kind::Tap
                  : command == "down" ? ScriptStep::Kind::Down
                  : command == "move" ? ScriptStep::Kind::Move
                                      : ScriptStep::Kind::Up;
      expectArguments(2, "X Y");
      step.point = {number(1), number(2)};
    } else if (command == "drag") {
      step.kind = ScriptStep::Kind::Drag;
      expectArguments(5, "X1 Y1 X2 Y2 SECONDS");
      step.point = {number(1), number(2)};
      step.to = {number(3), number(4)};
      step.seconds = number(5);
      if (step.seconds <= 0 || step.seconds > kMaxDragSeconds) {
        fail("a drag takes more than 0 and at most 60 seconds");
      }
    } else if (command == "wait") {
      step.kind = ScriptStep::Kind::Wait;
      expectArguments(1, "SECONDS");
      step.seconds = number(1);
      if (step.seconds < 0 || step.seconds > kMaxWaitSeconds) fail("a wait is 0 to 3600 seconds");
    } else if (command == "type") {
      step.kind = ScriptStep::Kind::Type;
      step.text = restOfLine();
      if (step.text.empty()) fail("\"type\" needs the text to type");
    } else if (command == "key") {
      step.kind = ScriptStep::Kind::Key;
      expectArguments(1, "return|escape|backspace");
      step.key = key(words_[1]);
    } else if (command == "appearance") {
      step.kind = ScriptStep::Kind::Appearance;
      expectArguments(1, "light|dark");
      if (words_[1] != "light" && words_[1] != "dark") fail("unknown appearance \"" + words_[1] + "\" (light or dark)");
      step.dark = words_[1] == "dark";
    } else if (command == "shot" || command == "dump") {
      step.kind = command == "shot" ? ScriptStep::Kind::Shot : ScriptStep::Kind::Dump;
      expectArguments(1, "NAME");
      step.text = name(withoutSuffix(words_[1], command == "shot" ? ".png" : ".json"));
    } else {
      fail("unknown command \"" + command + "\"");
    }
    return step;
  }

 private:
  [[noreturn]] void fail(const std::string& message) const { throw ScriptError(source_, line_, message); }

  void expectArguments(size_t count, const char* usage) const {
    if (words_.size() - 1 != count) fail("usage: " + words_[0] + " " + usage);
  }

  double number(size_t index) const {
    const std::string& w = words_[index];
    double value = 0;
    auto [end, ec] = std::from_chars(w.data(), w.data() + w.size(), value);
    if (ec != std::errc() || end != w.data() + w.size() || !std::isfinite(value)) {
      fail("\"" + w + "\" is not a number");
    }
    return value;
  }

  // Names become file names in the output folder: plain characters only, so a script can neither
  // climb out of the folder nor hide a file.
  std::string name(const std::string& w) const {
    bool plain = !w.empty() && w.size() <= kMaxNameLength && w[0] != '.';
    for (char c : w) {
      bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                c == '_' || c == '.';
      plain = plain && ok;
    }
    if (!plain) fail("\"" + w + "\" is not a usable name (letters, digits, '-', '_', '.'; not starting with '.')");
    return w;
  }

  Key key(const std::string& w) const {
    if (w == "return") return Key::Return;
    if (w == "escape") return Key::Escape;
    if (w == "backspace") return Key::Backspace;
    fail("unknown key \"" + w + "\" (return, escape or backspace)");
  }

  // What follows "type" and the one space after it, with spaces inside and at the end kept.
  std::string restOfLine() const {
    size_t at = text_.find("type") + 4;
    if (at < text_.size() && (text_[at] == ' ' || text_[at] == '\t')) ++at;
    return text_.substr(at);
  }

  const std::string& source_;
  int line_;
  const std::string& text_;
  std::vector<std::string> words_;
};

void checkNamesUnique(const Script& script) {
  std::map<std::pair<ScriptStep::Kind, std::string>, int> seen;
  for (const ScriptStep& step : script.steps) {
    if (step.kind != ScriptStep::Kind::Shot && step.kind != ScriptStep::Kind::Dump) continue;
    auto [it, added] = seen.emplace(std::pair{step.kind, step.text}, step.line);
    if (!added) {
      throw ScriptError(script.source, step.line,
                        "\"" + step.text + "\" was already written on line " + std::to_string(it->second));
    }
  }
}

// One finger: "down" puts it on the screen, "move" and "up" need it there, and a tap or a drag needs
// it lifted first.
void checkFinger(const Script& script) {
  int downAt = 0;
  for (const ScriptStep& step : script.steps) {
    const bool needsDown = step.kind == ScriptStep::Kind::Move || step.kind == ScriptStep::Kind::Up;
    const bool needsUp = step.kind == ScriptStep::Kind::Down || step.kind == ScriptStep::Kind::Tap ||
                         step.kind == ScriptStep::Kind::Drag;
    if (needsDown && downAt == 0) {
      throw ScriptError(script.source, step.line, "no finger is down (a \"down\" comes first)");
    }
    if (needsUp && downAt != 0) {
      throw ScriptError(script.source, step.line, "the finger put down on line " + std::to_string(downAt) +
                                                      " is still down (an \"up\" comes first)");
    }
    if (step.kind == ScriptStep::Kind::Down) downAt = step.line;
    if (step.kind == ScriptStep::Kind::Up) downAt = 0;
  }
}

// A message quotes what the script says; its control characters are escaped as every line the app
// writes has them, so a script of garbage cannot write control sequences to the person's terminal,
// and a byte-order mark inside a line, which shows as nothing, is seen.
std::string printable(const std::string& text) {
  std::string shown;
  for (size_t at = 0;;) {
    const size_t mark = text.find(kUtf8ByteOrderMark, at);
    shown += log::escapedControlCharacters(std::string_view(text).substr(at, mark - at));
    if (mark == std::string::npos) return shown;
    shown += "\\xEF\\xBB\\xBF";
    at = mark + kUtf8ByteOrderMark.size();
  }
}

// A script that cannot be read at all has no line to point at.
std::string located(const std::string& source, int line) {
  return line > 0 ? source + ":" + std::to_string(line) : source;
}

}  // namespace

ScriptError::ScriptError(const std::string& source, int line, const std::string& message)
    : std::runtime_error(printable(located(source, line) + ": " + message)), line_(line) {}

Script Script::parse(const std::string& text, const std::string& source) {
  Script script;
  script.source = source;
  // An editor may begin a UTF-8 text with a byte-order mark, which is no part of the first step; a
  // script in UTF-16 is said to be one rather than read as garbage.
  std::string_view body = text;
  if (body.starts_with(kUtf8ByteOrderMark)) body.remove_prefix(kUtf8ByteOrderMark.size());
  if (body.starts_with("\xFF\xFE") || body.starts_with("\xFE\xFF")) {
    throw ScriptError(source, 1, "the script is UTF-16 text; save it as UTF-8");
  }
  std::istringstream in{std::string(body)};
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> w = words(line);
    if (w.empty() || w[0][0] == '#') continue;
    if (w[0] != "type") line = withoutComment(line);
    script.steps.push_back(LineParser(source, number, line).parse());
  }
  checkNamesUnique(script);
  checkFinger(script);
  return script;
}

void Script::checkOnScreen(Size size) const {
  const auto onScreen = [&size](Point p) { return p.x >= 0 && p.y >= 0 && p.x <= size.width && p.y <= size.height; };
  for (const ScriptStep& step : steps) {
    const bool touches = step.kind == ScriptStep::Kind::Tap || step.kind == ScriptStep::Kind::Down ||
                         step.kind == ScriptStep::Kind::Move || step.kind == ScriptStep::Kind::Up ||
                         step.kind == ScriptStep::Kind::Drag;
    if (!touches) continue;
    for (Point p : {step.point, step.kind == ScriptStep::Kind::Drag ? step.to : step.point}) {
      if (onScreen(p)) continue;
      char text[128];
      std::snprintf(text, sizeof text, "(%g, %g) is off the %gx%g screen", p.x, p.y, size.width, size.height);
      throw ScriptError(source, step.line, text);
    }
  }
}

Script Script::load(const std::string& path) {
  auto text = foundation::AtomicFile::readText(path);
  if (!text.ok()) throw ScriptError(path, 0, "cannot read the script: " + text.error().localizedDescription());
  return parse(*text, path);
}

}  // namespace platform::shell
