#include "script.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

// The largest time a line may give, absolute ("at") or relative ("after"): one day.
const long kLongestStepMs = 24L * 3600 * 1000;
const long kLargestMove = 10000;  // pixels in one mouse step
const long kMostRepeats = 10000;
const size_t kMostSteps = 1000000;

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool parse_long(const std::string& word, long lo, long hi, long* out) {
  if (word.empty()) return false;
  errno = 0;
  char* end = nullptr;
  long value = std::strtol(word.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || value < lo || value > hi) return false;
  *out = value;
  return true;
}

bool parse_compare(const std::string& word, Compare* out) {
  static const struct {
    const char* text;
    Compare compare;
  } kOps[] = {{"=", Compare::kEqual},        {"==", Compare::kEqual},     {"!=", Compare::kNotEqual},
              {"<", Compare::kLess},         {"<=", Compare::kLessEqual}, {">", Compare::kGreater},
              {">=", Compare::kGreaterEqual}};
  for (const auto& op : kOps)
    if (word == op.text) {
      *out = op.compare;
      return true;
    }
  return false;
}

// Shots land in the driver's shot directory and nowhere else: a plain file name.
bool safe_file_name(const std::string& name) {
  if (name.empty() || name[0] == '.') return false;
  for (char c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '-' && c != '.') return false;
  return true;
}

// "pad ..." steps, into *step. Returns what is wrong, or "".
std::string parse_pad(const std::vector<std::string>& w, ScriptStep* step) {
  const std::string how = w.size() >= 2 ? lower(w[1]) : "";
  const size_t n = w.size();
  long x = 0, y = 0;
  if ((how == "plug" || how == "unplug") && n == 2) {
    step->kind = how == "plug" ? StepKind::kPadPlug : StepKind::kPadUnplug;
    return "";
  }
  if (how == "left" || how == "right") {
    if (n != 4 || !parse_long(w[2], -100, 100, &x) || !parse_long(w[3], -100, 100, &y))
      return "expected: pad left|right X Y (percent of full lean, -100 to 100)";
    step->kind = how == "left" ? StepKind::kPadLeftStick : StepKind::kPadRightStick;
    step->dx = static_cast<int>(x);
    step->dy = static_cast<int>(y);
    return "";
  }
  if (how == "trigger") {
    if (n != 3 || !parse_long(w[2], 0, 100, &x)) return "expected: pad trigger PERCENT (0 to 100)";
    step->kind = StepKind::kPadTrigger;
    step->value = static_cast<int>(x);
    return "";
  }
  if (how == "press" || how == "release") {
    if (n != 3) return "expected: pad press|release BUTTON";
    step->kind = how == "press" ? StepKind::kPadPress : StepKind::kPadRelease;
    step->button = SDL_GameControllerGetButtonFromString(lower(w[2]).c_str());
    if (step->button == SDL_CONTROLLER_BUTTON_INVALID) return "unknown controller button \"" + w[2] + "\"";
    return "";
  }
  return "expected: pad plug | pad unplug | pad left|right X Y | pad trigger PERCENT | pad press|release BUTTON";
}

// The action part of a line (after the time), into *step. Returns what is wrong, or "".
std::string parse_action(const std::vector<std::string>& w, ScriptStep* step) {
  const std::string verb = w.empty() ? "" : lower(w[0]);
  const size_t n = w.size();
  if (verb == "key") {
    if (n != 3) return "expected: key down|up NAME";
    const std::string how = lower(w[1]);
    if (how != "down" && how != "up") return "expected: key down|up NAME";
    step->kind = how == "down" ? StepKind::kKeyDown : StepKind::kKeyUp;
    step->key = key_from_name(w[2]);
    if (step->key == SDLK_UNKNOWN) return "unknown key \"" + w[2] + "\"";
    return "";
  }
  if (verb == "button") {
    const std::string how = n == 2 ? lower(w[1]) : "";
    if (how != "down" && how != "up") return "expected: button down|up";
    step->kind = how == "down" ? StepKind::kButtonDown : StepKind::kButtonUp;
    return "";
  }
  if (verb == "mouse") {
    long dx = 0, dy = 0;
    if (n != 3 || !parse_long(w[1], -kLargestMove, kLargestMove, &dx) ||
        !parse_long(w[2], -kLargestMove, kLargestMove, &dy))
      return "expected: mouse DX DY (whole pixels, at most 10000 either way)";
    step->kind = StepKind::kMouse;
    step->dx = static_cast<int>(dx);
    step->dy = static_cast<int>(dy);
    return "";
  }
  if (verb == "close") {
    if (n != 1) return "expected: close";
    step->kind = StepKind::kClose;
    return "";
  }
  if (verb == "shot") {
    if (n != 2 || !safe_file_name(w[1]))
      return "expected: shot NAME.png (letters, digits, '_', '-' and '.', not starting with '.')";
    step->kind = StepKind::kShot;
    step->file = w[1];
    return "";
  }
  if (verb == "memory") {
    if (n != 1) return "expected: memory";
    step->kind = StepKind::kMemory;
    return "";
  }
  if (verb == "expect") {
    const std::string what = n >= 2 ? lower(w[1]) : "";
    long value = 0;
    if (what == "quit" && n == 2) {
      step->kind = StepKind::kExpectQuit;
      return "";
    }
    if (what == "state" && n == 3 && parse_long(w[2], INT_MIN, INT_MAX, &value)) {
      step->kind = StepKind::kExpectState;
      step->value = static_cast<int>(value);
      return "";
    }
    static const struct {
      const char* name;
      StepKind kind;
    } kCounts[] = {{"kills", StepKind::kExpectKills},
                   {"shots", StepKind::kExpectShots},
                   {"heading", StepKind::kExpectHeading}};
    for (const auto& count : kCounts) {
      if (what == count.name && n == 4 && parse_compare(w[2], &step->compare) &&
          parse_long(w[3], INT_MIN, INT_MAX, &value)) {
        step->kind = count.kind;
        step->value = static_cast<int>(value);
        return "";
      }
    }
    return "expected: expect state N | expect kills|shots|heading OP N | expect quit";
  }
  if (verb == "pad") return parse_pad(w, step);
  return "unknown action \"" + (w.empty() ? std::string() : w[0]) + "\"";
}

// A line of the script with its words, comments dropped.
struct ScriptLine {
  int number;
  std::string text;
  std::vector<std::string> words;
};

// The script's lines with every "repeat N" ... "end" block written out N times.
bool unroll_repeats(const std::string& text, std::vector<ScriptLine>* out, std::string* error) {
  std::istringstream input(text);
  std::string raw;
  int number = 0;
  std::vector<ScriptLine> block;
  long times = 0;
  int blockLine = 0;
  auto fail = [&](int line, const std::string& why) {
    if (error) *error = "line " + std::to_string(line) + ": " + why;
    return false;
  };
  while (std::getline(input, raw)) {
    ++number;
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();  // a script saved with CRLF line ends
    std::istringstream words(raw.substr(0, raw.find('#')));
    ScriptLine line{number, raw, {}};
    for (std::string word; words >> word;) line.words.push_back(word);
    if (line.words.empty()) continue;
    const std::string first = lower(line.words[0]);
    if (first == "repeat") {
      if (blockLine) return fail(number, "a repeat block cannot hold another");
      if (line.words.size() != 2 || !parse_long(line.words[1], 1, kMostRepeats, &times))
        return fail(number, "expected: repeat COUNT (1 to 10000)");
      blockLine = number;
    } else if (first == "end") {
      if (!blockLine || line.words.size() != 1) return fail(number, "\"end\" without its repeat");
      if (out->size() + block.size() * static_cast<size_t>(times) > kMostSteps)
        return fail(number, "the script would grow past " + std::to_string(kMostSteps) + " steps");
      for (long i = 0; i < times; ++i) out->insert(out->end(), block.begin(), block.end());
      block.clear();
      blockLine = 0;
    } else if (blockLine) {
      if (first != "after") return fail(number, "steps in a repeat block take relative times (after)");
      block.push_back(line);
    } else {
      out->push_back(line);
    }
  }
  if (blockLine) return fail(blockLine, "repeat without its \"end\"");
  return true;
}

}  // namespace

SDL_Keycode key_from_name(const std::string& name) {
  const std::string key = lower(name);
  if (key.size() == 1 && std::isalnum(static_cast<unsigned char>(key[0])))
    return static_cast<SDL_Keycode>(key[0]);
  if (key.size() >= 2 && key[0] == 'f') {
    long n = 0;
    if (parse_long(key.substr(1), 1, 12, &n)) return static_cast<SDL_Keycode>(SDLK_F1 + (n - 1));
  }
  static const struct {
    const char* name;
    SDL_Keycode key;
  } kNamed[] = {{"escape", SDLK_ESCAPE}, {"return", SDLK_RETURN}, {"space", SDLK_SPACE}, {"tab", SDLK_TAB},
                {"left", SDLK_LEFT},     {"right", SDLK_RIGHT},   {"up", SDLK_UP},       {"down", SDLK_DOWN}};
  for (const auto& named : kNamed)
    if (key == named.name) return named.key;
  return SDLK_UNKNOWN;
}

bool compare_holds(Compare compare, int actual, int expected) {
  switch (compare) {
    case Compare::kEqual:
      return actual == expected;
    case Compare::kNotEqual:
      return actual != expected;
    case Compare::kLess:
      return actual < expected;
    case Compare::kLessEqual:
      return actual <= expected;
    case Compare::kGreater:
      return actual > expected;
    case Compare::kGreaterEqual:
      return actual >= expected;
  }
  return false;
}

const char* compare_text(Compare compare) {
  switch (compare) {
    case Compare::kEqual:
      return "=";
    case Compare::kNotEqual:
      return "!=";
    case Compare::kLess:
      return "<";
    case Compare::kLessEqual:
      return "<=";
    case Compare::kGreater:
      return ">";
    case Compare::kGreaterEqual:
      return ">=";
  }
  return "?";
}

bool parse_script(const std::string& text, std::vector<ScriptStep>* steps, std::string* error) {
  std::vector<ScriptLine> lines;
  if (!unroll_repeats(text, &lines, error)) return false;
  std::vector<ScriptStep> parsed;
  uint32_t previous = 0;
  for (const ScriptLine& line : lines) {
    const std::vector<std::string>& w = line.words;
    auto fail = [&](const std::string& why) {
      if (error) *error = "line " + std::to_string(line.number) + ": " + why;
      return false;
    };
    const std::string when = lower(w[0]);
    long ms = 0;
    if ((when != "at" && when != "after") || w.size() < 3 || !parse_long(w[1], 0, kLongestStepMs, &ms))
      return fail("expected: at|after MILLISECONDS ACTION");
    uint64_t at = when == "at" ? static_cast<uint64_t>(ms) : uint64_t{previous} + static_cast<uint64_t>(ms);
    if (at < previous) return fail("time " + std::to_string(at) + " is before the previous step's");
    if (at > UINT32_MAX) return fail("time past the clock's range");

    ScriptStep step;
    step.atMs = static_cast<uint32_t>(at);
    step.line = line.number;
    step.text = line.text;
    const std::string wrong = parse_action(std::vector<std::string>(w.begin() + 2, w.end()), &step);
    if (!wrong.empty()) return fail(wrong);
    previous = step.atMs;
    parsed.push_back(step);
  }
  *steps = std::move(parsed);
  return true;
}

bool load_script(const std::string& path, std::vector<ScriptStep>* steps, std::string* error) {
  std::ifstream file(path);
  if (!file) {
    if (error) *error = path + ": cannot open the script";
    return false;
  }
  std::ostringstream text;
  text << file.rdbuf();
  std::string why;
  if (!parse_script(text.str(), steps, &why)) {
    if (error) *error = path + ": " + why;
    return false;
  }
  return true;
}
