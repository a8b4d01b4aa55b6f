// The integer constant expressions of #if and #elif: C's operators on 64-bit integers,
// signed unless a literal or an operand makes them unsigned, || && and ?: evaluating only
// what they need. Parentheses, unary operators and ?: nest at most kMaxNesting deep, which
// also bounds the recursion of this parser.
#include <cstdint>
#include <string>

#include "effect_preprocess_internal.h"

namespace d3dx9 {
namespace pp {
namespace {

struct Value {
  uint64_t bits = 0;
  bool is_unsigned = false;
  int64_t as_signed() const { return static_cast<int64_t>(bits); }
  bool is_true() const { return bits != 0; }
};

Value signed_value(int64_t v) { return {static_cast<uint64_t>(v), false}; }

// Binary operators by precedence, lowest first (?: is below them all).
int precedence(const std::string& op) {
  if (op == "||") return 1;
  if (op == "&&") return 2;
  if (op == "|") return 3;
  if (op == "^") return 4;
  if (op == "&") return 5;
  if (op == "==" || op == "!=") return 6;
  if (op == "<" || op == ">" || op == "<=" || op == ">=") return 7;
  if (op == "<<" || op == ">>") return 8;
  if (op == "+" || op == "-") return 9;
  if (op == "*" || op == "/" || op == "%") return 10;
  return 0;
}

class Parser {
 public:
  Parser(const std::vector<Token>& tokens, const Texts& texts, Failure* failure)
      : tokens_(tokens), texts_(texts), failure_(failure) {}

  bool run(bool* result) {
    Value v;
    if (!conditional(0, true, &v)) return false;
    if (at_ < tokens_.size()) return fail("'" + spelling() + "' is not expected in the #if expression");
    *result = v.is_true();
    return true;
  }

 private:
  // cond ? a : b. `live`: its value is used (division by zero is a fault only then).
  bool conditional(int depth, bool live, Value* out) {
    if (depth > kMaxNesting)
      return fail("the #if expression nests more than " + std::to_string(kMaxNesting) + " deep");
    Value c;
    if (!binary(1, depth, live, &c)) return false;
    if (!next_is("?")) {
      *out = c;
      return true;
    }
    ++at_;
    Value a, b;
    if (!conditional(depth + 1, live && c.is_true(), &a)) return false;
    if (!next_is(":")) return fail("':' is missing after '?' in the #if expression");
    ++at_;
    if (!conditional(depth + 1, live && !c.is_true(), &b)) return false;
    *out = c.is_true() ? a : b;
    out->is_unsigned = a.is_unsigned || b.is_unsigned;
    return true;
  }

  // Binary operators of precedence `lowest` or higher, left to right.
  bool binary(int lowest, int depth, bool live, Value* out) {
    Value left;
    if (!unary(depth, live, &left)) return false;
    while (at_ < tokens_.size()) {
      const std::string& op = spelling();
      const int p = tokens_[at_].kind == Kind::kPunctuator ? precedence(op) : 0;
      if (p == 0 || p < lowest) break;
      ++at_;
      const bool right_live = live && !(op == "&&" && !left.is_true()) && !(op == "||" && left.is_true());
      Value right;
      if (!binary(p + 1, depth, right_live, &right)) return false;
      if (!apply(op, left, right, right_live, &left)) return false;
    }
    *out = left;
    return true;
  }

  bool unary(int depth, bool live, Value* out) {
    if (depth > kMaxNesting)
      return fail("the #if expression nests more than " + std::to_string(kMaxNesting) + " deep");
    if (at_ >= tokens_.size()) return fail("the #if expression ends too soon");
    const Token& t = tokens_[at_++];
    const std::string& s = texts_[t.text];
    if (t.kind == Kind::kPunctuator && (s == "+" || s == "-" || s == "~" || s == "!")) {
      Value v;
      if (!unary(depth + 1, live, &v)) return false;
      if (s == "-") v.bits = 0 - v.bits;
      if (s == "~") v.bits = ~v.bits;
      if (s == "!") v = signed_value(v.is_true() ? 0 : 1);
      *out = v;
      return true;
    }
    if (t.kind == Kind::kPunctuator && s == "(") {
      if (!conditional(depth + 1, live, out)) return false;
      if (!next_is(")")) return fail("')' is missing in the #if expression");
      ++at_;
      return true;
    }
    if (t.kind == Kind::kIdentifier) {  // a name no macro replaced
      *out = signed_value(0);
      return true;
    }
    if (t.kind == Kind::kNumber) return number(s, out);
    if (t.kind == Kind::kCharacter) return character(s, out);
    --at_;
    return fail("'" + s + "' is not expected in the #if expression");
  }

  bool apply(const std::string& op, Value a, Value b, bool live, Value* out) {
    if (op == "&&") return *out = signed_value(a.is_true() && b.is_true()), true;
    if (op == "||") return *out = signed_value(a.is_true() || b.is_true()), true;
    if (op == "<<" || op == ">>") {
      // The left operand's type; a count outside 0..63 is a fault.
      const bool in_range = b.is_unsigned ? b.bits < 64 : b.as_signed() >= 0 && b.as_signed() < 64;
      if (!in_range) {
        if (live) return fail("shift by " + text_of(b) + " in the #if expression");
        return *out = a, true;
      }
      const unsigned n = static_cast<unsigned>(b.bits);
      if (op == "<<")
        a.bits <<= n;
      else
        a.bits = a.is_unsigned ? a.bits >> n : static_cast<uint64_t>(a.as_signed() >> n);
      return *out = a, true;
    }
    const bool u = a.is_unsigned || b.is_unsigned;
    if (op == "==") return *out = signed_value(a.bits == b.bits), true;
    if (op == "!=") return *out = signed_value(a.bits != b.bits), true;
    if (op == "<") return *out = signed_value(u ? a.bits < b.bits : a.as_signed() < b.as_signed()), true;
    if (op == ">") return *out = signed_value(u ? a.bits > b.bits : a.as_signed() > b.as_signed()), true;
    if (op == "<=") return *out = signed_value(u ? a.bits <= b.bits : a.as_signed() <= b.as_signed()), true;
    if (op == ">=") return *out = signed_value(u ? a.bits >= b.bits : a.as_signed() >= b.as_signed()), true;
    Value r;
    r.is_unsigned = u;
    if (op == "+") r.bits = a.bits + b.bits;  // wraps, as two's complement does
    if (op == "-") r.bits = a.bits - b.bits;
    if (op == "*") r.bits = a.bits * b.bits;
    if (op == "&") r.bits = a.bits & b.bits;
    if (op == "|") r.bits = a.bits | b.bits;
    if (op == "^") r.bits = a.bits ^ b.bits;
    if (op == "/" || op == "%") {
      if (b.bits == 0) {
        if (live) return fail("division by zero in the #if expression");
      } else if (u) {
        r.bits = op == "/" ? a.bits / b.bits : a.bits % b.bits;
      } else if (a.as_signed() == INT64_MIN && b.as_signed() == -1) {
        r.bits = op == "/" ? a.bits : 0;  // the one quotient past the range wraps
      } else {
        r = signed_value(op == "/" ? a.as_signed() / b.as_signed() : a.as_signed() % b.as_signed());
      }
    }
    *out = r;
    return true;
  }

  // A decimal, hexadecimal or octal integer with u, l, ll suffixes in any case and order.
  bool number(const std::string& s, Value* out) {
    size_t i = 0;
    unsigned base = 10;
    if (s.size() > 1 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
      base = 16;
      i = 2;
    } else if (s[0] == '0') {
      base = 8;
    }
    const size_t digits_start = i;
    uint64_t v = 0;
    bool too_large = false;
    for (; i < s.size(); ++i) {
      const char c = s[i];
      unsigned d;
      if (c >= '0' && c <= '9')
        d = static_cast<unsigned>(c - '0');
      else if (base == 16 && c >= 'a' && c <= 'f')
        d = static_cast<unsigned>(c - 'a' + 10);
      else if (base == 16 && c >= 'A' && c <= 'F')
        d = static_cast<unsigned>(c - 'A' + 10);
      else
        break;
      if (d >= base) return fail("'" + s + "' is not an integer");
      if (v > (UINT64_MAX - d) / base) too_large = true;
      v = v * base + d;
    }
    if (i == digits_start) return fail("'" + s + "' is not an integer");
    const std::string suffix = s.substr(i);
    int u = 0, l = 0;
    for (const char c : suffix) {
      if (c == 'u' || c == 'U')
        ++u;
      else if (c == 'l' || c == 'L')
        ++l;
      else
        return fail("'" + s + "' is not an integer");
    }
    if (u > 1 || l > 2) return fail("'" + s + "' is not an integer");
    if (too_large) return fail("the integer '" + s + "' is too large");
    out->bits = v;
    // Past the signed range, a literal is unsigned (decimal ones too, as intmax_t cannot hold it).
    out->is_unsigned = u > 0 || v > static_cast<uint64_t>(INT64_MAX);
    return true;
  }

  // 'c' or a simple escape ('\n', '\\', '\'', '\0', '\x41').
  bool character(const std::string& s, Value* out) {
    int64_t v = -1;
    if (s.size() == 3 && s[1] != '\\' && s[2] == '\'') v = static_cast<unsigned char>(s[1]);
    if (s.size() == 4 && s[1] == '\\' && s[3] == '\'') v = escaped(s[2]);
    if (s.size() >= 5 && s.size() <= 6 && s.compare(0, 3, "'\\x") == 0 && s.back() == '\'') {
      v = 0;
      for (size_t i = 3; i + 1 < s.size() && v >= 0; ++i) {
        const int d = hex_digit(s[i]);
        v = d < 0 ? -1 : v * 16 + d;
      }
    }
    if (v < 0) return fail("the character " + s + " is not supported in #if");
    *out = signed_value(v);
    return true;
  }

  // The value of the escape \e, or -1.
  static int escaped(char e) {
    switch (e) {
      case 'n':
        return '\n';
      case 't':
        return '\t';
      case 'r':
        return '\r';
      case 'v':
        return '\v';
      case 'f':
        return '\f';
      case 'a':
        return '\a';
      case 'b':
        return '\b';
      case '0':
        return 0;
      case '\\':
      case '\'':
      case '"':
      case '?':
        return e;
      default:
        return -1;
    }
  }

  static int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  static std::string text_of(Value v) {
    return v.is_unsigned ? std::to_string(v.bits) : std::to_string(v.as_signed());
  }
  const std::string& spelling() const { return texts_[tokens_[at_].text]; }
  bool next_is(const char* s) const {
    return at_ < tokens_.size() && tokens_[at_].kind == Kind::kPunctuator && texts_[tokens_[at_].text] == s;
  }
  bool fail(const std::string& what) {
    const size_t where = at_ < tokens_.size() ? at_ : tokens_.size() - 1;
    *failure_ = {what, tokens_.empty() ? 0 : tokens_[where].line};
    return false;
  }

  const std::vector<Token>& tokens_;
  const Texts& texts_;
  Failure* failure_;
  size_t at_ = 0;
};

}  // namespace

bool evaluate_condition(const std::vector<Token>& tokens, const Texts& texts, bool* value, Failure* failure) {
  if (tokens.empty()) {
    *failure = {"#if or #elif without an expression", 0};
    return false;
  }
  return Parser(tokens, texts, failure).run(value);
}

}  // namespace pp
}  // namespace d3dx9
