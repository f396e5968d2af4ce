#include "platform/shell/ShellOptions.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>
#include <string_view>

#include "platform/foundation/ProcessArguments.h"

namespace platform::shell {

const char* const kUsage =
    "usage: ostrel [--home DIR] [--verbose] [--script FILE --out DIR | --window [--out DIR]] [-LaunchArgument...]\n"
    "  --home DIR     keep the app's files in DIR instead of the default container\n"
    "  --script FILE  run FILE headless on a virtual clock, writing shots and dumps into --out DIR\n"
    "  --window       show the app in a desktop window (the default when a display is there);\n"
    "                 F12 saves a screenshot into --out DIR (else the current folder), F2 toggles dark\n"
    "  -v, --verbose  show info lines too (errors and warnings always reach stderr or the log file,\n"
    "                 Library/Logs/ostrel.log in the app's container)\n"
    "  -h, --help     show this and end\n";

std::string usageWithLaunchArguments() {
  std::string text = kUsage;
  text += "A word with one dash is a launch argument, handed to the app as a phone hands it; one that nothing\n"
          "reads is warned of and ignored. These are read:\n";
  for (const std::string& name : foundation::declaredLaunchArguments()) text += "  " + name + "\n";
  return text;
}

namespace {

struct OptionName {
  const char* name;
  bool takesValue;
};
constexpr OptionName kOptionNames[] = {{"home", true},     {"script", true},   {"out", true},
                                       {"window", false},  {"verbose", false}, {"help", false}};

std::string lowered(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::size_t editDistance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// What a mistyped word most likely meant, and how far it is from it (case aside).
struct Resemblance {
  std::string meant;
  std::size_t distance = SIZE_MAX;
  bool takesValue = false;
};

// A word that is the start of just one name ("-win", "-s") resembles it, however short; a near miss of
// a whole name resembles it more, and an option's start more than a launch argument's.
constexpr std::size_t kStartOfOption = SIZE_MAX - 2;
constexpr std::size_t kStartOfLaunchArgument = SIZE_MAX - 1;

bool startsWith(const std::string& name, const std::string& start) {
  return !start.empty() && name.size() > start.size() && name.compare(0, start.size(), start) == 0;
}

// The option a word was most likely meant to be ("-window", "--Verbos", "windw", "-win"): a third of
// the option's letters may be wrong, never more than two, or the word may be the start of one option.
Resemblance resembledOption(std::string_view word) {
  const std::string name = lowered(word.substr(std::min(word.find_first_not_of('-'), word.size())));
  Resemblance best;
  for (const OptionName& option : kOptionNames) {
    const std::size_t distance = editDistance(name, option.name);
    if (distance < 3 && distance <= std::string_view(option.name).size() / 3 && distance < best.distance) {
      best = {std::string("--") + option.name, distance, option.takesValue};
    }
  }
  if (!best.meant.empty()) return best;
  int starts = 0;
  for (const OptionName& option : kOptionNames) {
    if (!startsWith(option.name, name)) continue;
    best = {std::string("--") + option.name, kStartOfOption, option.takesValue};
    ++starts;
  }
  return starts == 1 ? best : Resemblance();
}

// The launch argument a single-dash word was most likely meant to be ("-VURDebugEnable",
// "-APManalyticsDebugEnabled", "-noAPM"): case does not count, and a long name may have two letters
// wrong.
Resemblance resembledLaunchArgument(const std::string& word) {
  const std::string name = lowered(word);
  const std::vector<std::string> arguments = foundation::declaredLaunchArguments();
  Resemblance best;
  for (const std::string& argument : arguments) {
    const std::size_t distance = editDistance(name, lowered(argument));
    if (distance <= 2 && distance * 6 <= argument.size() && distance < best.distance) best = {argument, distance};
  }
  if (!best.meant.empty()) return best;
  int starts = 0;
  for (const std::string& argument : arguments) {
    if (!startsWith(lowered(argument), name)) continue;
    best = {argument, kStartOfLaunchArgument};
    ++starts;
  }
  return starts == 1 ? best : Resemblance();
}

std::string unknownLaunchArgumentWarning(const std::string& word) {
  const Resemblance option = resembledOption(word);
  const Resemblance argument = resembledLaunchArgument(word);
  if (!argument.meant.empty() && argument.distance <= option.distance) {
    return "ostrel: \"" + word + "\" is not a launch argument that ostrel reads (did you mean " + argument.meant +
           "?); ignored";
  }
  if (!option.meant.empty()) return "ostrel: \"" + word + "\" is not an option (did you mean " + option.meant + "?); ignored";
  return "ostrel: \"" + word + "\" is neither an option nor a launch argument that ostrel reads; ignored (see --help)";
}

// "-SomeSwitchEnabled": one dash, then anything but a second dash. A phone hands every such word to the
// app untouched, so none of them stops a start: one that no library reads is only warned of.
bool isLaunchArgument(const std::string& argument) {
  return argument.size() >= 2 && argument[0] == '-' && argument[1] != '-';
}

// The value after option `i`: there must be one, and a word of two dashes is the next option forgotten,
// not a value (a file so named is still reached as ./--name).
const std::string& optionValue(const std::vector<std::string>& arguments, std::size_t& i) {
  const std::string& option = arguments[i];
  if (i + 1 >= arguments.size() || arguments[i + 1].empty()) throw std::invalid_argument(option + " needs a value");
  const std::string& value = arguments[i + 1];
  if (value.rfind("--", 0) == 0) {
    throw std::invalid_argument(option + " needs a value, not the option \"" + value + "\" (a file of that name is ./" +
                                value + ")");
  }
  ++i;
  return value;
}

// A word that is neither an option nor a launch argument, told with the option it resembles.
std::invalid_argument unknownArgument(const std::string& word) {
  if (word.rfind("--", 0) == 0) {
    if (const auto equals = word.find('='); equals != std::string::npos) {
      const Resemblance option = resembledOption(word.substr(0, equals));
      if (option.takesValue) {
        return std::invalid_argument("\"" + word + "\": an option and its value are two words (" + option.meant + " " +
                                     word.substr(equals + 1) + ")");
      }
    }
  }
  const Resemblance option = resembledOption(word);
  const std::string kind = word.rfind("--", 0) == 0 ? "unknown option" : "unknown argument";
  if (option.meant.empty()) return std::invalid_argument(kind + " \"" + word + "\"");
  return std::invalid_argument(kind + " \"" + word + "\" (did you mean " + option.meant + "?)");
}

}  // namespace

ShellOptions ShellOptions::parse(const std::vector<std::string>& arguments, bool display) {
  ShellOptions options;
  bool window = false;
  for (size_t i = 1; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    if (a == "--home") {
      options.home = optionValue(arguments, i);
    } else if (a == "--script") {
      options.script = optionValue(arguments, i);
    } else if (a == "--out") {
      options.out = optionValue(arguments, i);
    } else if (a == "--window") {
      window = true;
    } else if (a == "--help" || a == "-h" || a == "-help") {
      options.help = true;
    } else if (a == "--verbose" || a == "-v") {
      options.verbose = true;
    } else if (isLaunchArgument(a)) {
      if (foundation::isDeclaredLaunchArgument(a)) continue;
      // "-home DIR": the value that follows shows the option was meant, and it would be refused on its own
      // as a stray word.
      const Resemblance option = resembledOption(a);
      const bool valueFollows = i + 1 < arguments.size() && !arguments[i + 1].empty() && arguments[i + 1][0] != '-';
      if (option.takesValue && valueFollows) {
        throw std::invalid_argument("\"" + a + " " + arguments[i + 1] + "\": did you mean " + option.meant + " " +
                                    arguments[i + 1] + "?");
      }
      // The phone hands such arguments to the app untouched; the libraries read them from the process.
      options.warnings.push_back(unknownLaunchArgumentWarning(a));
    } else {
      throw unknownArgument(a);
    }
  }
  options.windowAsked = window;
  if (window && !options.script.empty()) throw std::invalid_argument("--window and --script exclude each other");
  if (!options.script.empty() && options.out.empty()) throw std::invalid_argument("--script needs --out DIR");
  if (options.script.empty() && !options.out.empty() && !window && !display) {
    throw std::invalid_argument("--out goes with --script or --window");
  }
  if (!options.script.empty()) {
    options.mode = Mode::Script;
  } else if (window || display) {
    options.mode = Mode::Window;
  }
  return options;
}

}  // namespace platform::shell
