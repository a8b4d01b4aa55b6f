// Macro definitions and their replacement, as the C preprocessor does it: a replacement is
// read again with the macro shut (a name of it met then is never replaced), arguments are
// replaced on their own first unless beside # or ##, and a function-like macro's name not
// followed by '(' stays as it is. Open replacements are a stack of contexts, not recursion;
// only the replacing of arguments recurses, at most kMaxNesting deep. Every token a
// replacement makes, every call and every byte # and ## make is paid from the Budget first.
#include <string>
#include <unordered_map>
#include <utility>

#include "effect_preprocess_internal.h"

namespace d3dx9 {
namespace pp {
namespace {

// What a new spelling costs beyond its bytes (the table's entry for it).
const size_t kSpellingCost = 32;

std::string quoted(const Texts& texts, uint32_t text) { return "'" + texts[text] + "'"; }

bool is_mark(const Token& t, uint32_t text) { return t.kind == Kind::kPunctuator && t.text == text; }

// The tokens being read: those given, under a stack of the replacements opened since, each
// with its macro shut while it is open.
class Reader {
 public:
  explicit Reader(const std::vector<Token>& base) : base_(base) {}
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;
  ~Reader() {
    for (Context& c : stack_) --c.macro->open;
  }

  bool next(Token* t) {
    if (!peek(t)) return false;
    if (stack_.empty())
      ++at_;
    else
      ++stack_.back().next;
    return true;
  }

  // The next token without taking it; replacements read to their end are closed.
  bool peek(Token* t) {
    while (!stack_.empty()) {
      Context& c = stack_.back();
      if (c.next < c.tokens.size()) {
        *t = c.tokens[c.next];
        return true;
      }
      --c.macro->open;
      stack_.pop_back();
    }
    if (at_ >= base_.size()) return false;
    *t = base_[at_];
    return true;
  }

  void open(Macro* macro, std::vector<Token> tokens) {
    ++macro->open;
    stack_.push_back({macro, std::move(tokens), 0});
  }

 private:
  struct Context {
    Macro* macro;
    std::vector<Token> tokens;
    size_t next;
  };
  const std::vector<Token>& base_;
  size_t at_ = 0;
  std::vector<Context> stack_;
};

class Expander {
 public:
  Expander(bool condition, Texts* texts, Macros* macros, Budget* budget, const Place& place, Failure* failure)
      : condition_(condition),
        texts_(*texts),
        macros_(*macros),
        budget_(*budget),
        place_(place),
        failure_(failure) {}

  bool run(const std::vector<Token>& tokens, int depth, const TokenSink& sink) {
    if (depth > kMaxNesting)
      return fail("macro calls nest more than " + std::to_string(kMaxNesting) + " deep in arguments",
                  tokens.empty() ? line_ : tokens.front().line);
    Reader reader(tokens);
    Token t;
    while (reader.next(&t)) {
      if (t.kind != Kind::kIdentifier || (t.flags & kNoExpand)) {
        if (!sink(t, failure_)) return false;
        continue;
      }
      if (condition_ && t.text == texts_.defined) {
        if (!answer_defined(&reader, t, sink)) return false;
        continue;
      }
      auto found = macros_.find(t.text);
      if (found == macros_.end()) {
        if (!sink(t, failure_)) return false;
        continue;
      }
      Macro& macro = found->second;
      if (macro.open > 0) {  // inside its own replacement: never replaced
        t.flags |= kNoExpand;
        if (!sink(t, failure_)) return false;
        continue;
      }
      std::vector<std::vector<Token>> arguments;
      if (macro.type == Macro::Type::kFunction) {
        Token after;
        if (!reader.peek(&after) || !is_mark(after, texts_.open)) {
          if (!sink(t, failure_)) return false;
          continue;
        }
        reader.next(&after);
        if (!collect(&reader, macro, t, &arguments)) return false;
      }
      line_ = t.line;
      if (!spend_call()) return false;
      if (macro.type == Macro::Type::kLine || macro.type == Macro::Type::kFile) {
        Token made;
        if (!builtin(macro, t, &made) || !sink(made, failure_)) return false;
        continue;
      }
      std::vector<Token> result;
      if (!replace(macro, t, arguments, depth, &result)) return false;
      reader.open(&macro, std::move(result));
    }
    return true;
  }

 private:
  bool fail(const std::string& what, uint32_t line) {
    *failure_ = {what, line};
    return false;
  }

  bool spend_call() {
    if (budget_.calls == 0)
      return fail("macro expansion passes the limit of " + std::to_string(kMacroCalls) +
                      " macro calls (a macro that expands without end?)",
                  line_);
    --budget_.calls;
    return true;
  }

  bool spend_tokens(size_t n) {
    if (budget_.tokens < n)
      return fail("macro expansion passes the limit of " + std::to_string(kMacroTokens) +
                      " tokens (a macro that expands without end?)",
                  line_);
    budget_.tokens -= n;
    return true;
  }

  // A new spelling of `size` bytes.
  bool spend_bytes(size_t size) {
    if (budget_.made_bytes < size + kSpellingCost)
      return fail("macro expansion passes the limit of " + std::to_string(kMadeBytes) +
                      " bytes of text made by # and ## (a macro that expands without end?)",
                  line_);
    budget_.made_bytes -= size + kSpellingCost;
    return true;
  }

  // `defined NAME` or `defined ( NAME )`, read after `defined`: 1 or 0.
  bool answer_defined(Reader* reader, const Token& at, const TokenSink& sink) {
    Token name;
    const bool bracket = reader->peek(&name) && is_mark(name, texts_.open);
    if (bracket) reader->next(&name);
    if (!reader->next(&name) || name.kind != Kind::kIdentifier)
      return fail("'defined' is not followed by a macro name", at.line);
    Token close;
    if (bracket && (!reader->next(&close) || !is_mark(close, texts_.close)))
      return fail("')' is missing after 'defined(" + texts_[name.text] + "'", at.line);
    Token value = at;
    value.kind = Kind::kNumber;
    value.text = macros_.count(name.text) ? texts_.one : texts_.zero;
    return sink(value, failure_);
  }

  // The arguments of a call whose '(' has been read, up to its ')'.
  bool collect(Reader* reader, const Macro& macro, const Token& name,
               std::vector<std::vector<Token>>* arguments) {
    arguments->assign(1, {});
    const size_t count = macro.parameters.size();
    int brackets = 0;
    Token a;
    for (;;) {
      if (!reader->next(&a))
        return fail("the call of macro " + quoted(texts_, name.text) + " has no ')'", name.line);
      if (is_mark(a, texts_.open)) {
        ++brackets;
      } else if (is_mark(a, texts_.close)) {
        if (brackets == 0) break;
        --brackets;
      } else if (is_mark(a, texts_.comma) && brackets == 0 &&
                 !(macro.variadic && arguments->size() == count)) {
        arguments->emplace_back();
        continue;
      }
      if (a.kind == Kind::kIdentifier && !(a.flags & kNoExpand)) {
        auto found = macros_.find(a.text);
        if (found != macros_.end() && found->second.open > 0) a.flags |= kNoExpand;
      }
      if (arguments->back().empty())
        a.flags &= static_cast<uint8_t>(~kSpaceBefore);  // blanks around an argument go
      arguments->back().push_back(a);
    }
    if (count == 0 && arguments->size() == 1 && arguments->front().empty()) arguments->clear();
    if (macro.variadic && arguments->size() + 1 == count) arguments->emplace_back();
    if (arguments->size() != count)
      return fail("macro " + quoted(texts_, name.text) + " takes " + std::to_string(count) +
                      " arguments, not " + std::to_string(arguments->size()),
                  name.line);
    return true;
  }

  // __LINE__ or __FILE__ where `at` is.
  bool builtin(const Macro& macro, const Token& at, Token* made) {
    std::string text;
    if (macro.type == Macro::Type::kLine) {
      text = std::to_string(static_cast<int64_t>(at.line) + place_.line_offset);
      made->kind = Kind::kNumber;
    } else {
      text = "\"";
      for (const char c : place_.file) {
        if (c == '"' || c == '\\') text += '\\';
        text += c;
      }
      text += '"';
      made->kind = Kind::kString;
    }
    if (!spend_tokens(1) || !spend_bytes(text.size())) return false;
    made->text = texts_.intern(text);
    made->line = at.line;
    made->column = 0;
    made->flags = at.flags & kSpaceBefore;
    return true;
  }

  // The argument's tokens as a string literal (# ARGUMENT).
  bool stringize(const std::vector<Token>& argument, Token* made) {
    size_t size = 2;
    for (const Token& a : argument) size += 2 * texts_[a.text].size() + 1;
    if (!spend_bytes(size)) return false;
    std::string text = "\"";
    for (size_t i = 0; i < argument.size(); ++i) {
      const Token& a = argument[i];
      if (i > 0 && (a.flags & kSpaceBefore)) text += ' ';
      const bool quoted_token = a.kind == Kind::kString || a.kind == Kind::kCharacter;
      for (const char c : texts_[a.text]) {
        if (quoted_token && (c == '"' || c == '\\')) text += '\\';
        text += c;
      }
    }
    text += '"';
    made->text = texts_.intern(text);
    made->kind = Kind::kString;
    made->flags = 0;
    return true;
  }

  // Adds `t` to a replacement, or pastes it onto the last token when ## came before.
  bool append(const Token& t, bool* paste, std::vector<Token>* result) {
    if (!*paste || result->empty()) {
      *paste = false;
      if (!spend_tokens(1)) return false;
      result->push_back(t);
      return true;
    }
    *paste = false;
    Token& left = result->back();
    if (t.kind == Kind::kPlacemarker) return true;
    if (left.kind == Kind::kPlacemarker) {
      left = t;
      return true;
    }
    const std::string text = texts_[left.text] + texts_[t.text];
    if (!spend_bytes(text.size())) return false;
    Kind kind;
    if (!single_token(text, &kind))
      return fail("pasting " + quoted(texts_, left.text) + " and " + quoted(texts_, t.text) +
                      " with ## does not give one token",
                  line_);
    left.text = texts_.intern(text);
    left.kind = kind;
    left.flags &= kSpaceBefore;
    return true;
  }

  // The replacement of one call, its arguments put in.
  bool replace(const Macro& macro, const Token& name, const std::vector<std::vector<Token>>& arguments,
               int depth, std::vector<Token>* result) {
    std::vector<std::vector<Token>> expanded(arguments.size());
    std::vector<bool> is_expanded(arguments.size(), false);
    const std::vector<Token>& body = macro.body;
    bool paste = false;
    for (size_t i = 0; i < body.size(); ++i) {
      const Token& b = body[i];
      if (is_mark(b, texts_.paste)) {
        paste = true;
        continue;
      }
      if (macro.type == Macro::Type::kFunction && is_mark(b, texts_.hash) && i + 1 < body.size() &&
          macro.parameter_at[i + 1] >= 0) {
        Token made = b;
        if (!stringize(arguments[static_cast<size_t>(macro.parameter_at[i + 1])], &made) ||
            !append(made, &paste, result))
          return false;
        ++i;
        continue;
      }
      const int p = macro.parameter_at[i];
      if (p < 0) {
        if (!append(b, &paste, result)) return false;
        continue;
      }
      const size_t n = static_cast<size_t>(p);
      const bool raw = (i > 0 && is_mark(body[i - 1], texts_.paste)) ||
                       (i + 1 < body.size() && is_mark(body[i + 1], texts_.paste));
      if (!raw && !is_expanded[n]) {
        std::vector<Token>* into = &expanded[n];
        const TokenSink keep = [this, into](const Token& t, Failure*) {
          if (!spend_tokens(1)) return false;
          into->push_back(t);
          return true;
        };
        const uint32_t line = line_;
        if (!run(arguments[n], depth + 1, keep)) return false;
        line_ = line;
        is_expanded[n] = true;
      }
      const std::vector<Token>& tokens = raw ? arguments[n] : expanded[n];
      if (tokens.empty() && raw) {
        Token placemarker;
        placemarker.kind = Kind::kPlacemarker;
        if (!append(placemarker, &paste, result)) return false;
      }
      for (const Token& t : tokens)
        if (!append(t, &paste, result)) return false;
    }
    size_t kept = 0;
    for (Token& t : *result) {
      if (t.kind == Kind::kPlacemarker) continue;
      t.line = name.line;
      t.column = 0;
      t.flags =
          static_cast<uint8_t>((t.flags & kNoExpand) | (kept == 0 ? name.flags & kSpaceBefore : t.flags));
      (*result)[kept++] = t;
    }
    result->resize(kept);
    return true;
  }

  const bool condition_;
  Texts& texts_;
  Macros& macros_;
  Budget& budget_;
  const Place& place_;
  Failure* failure_;
  uint32_t line_ = 0;  // the line of the call being replaced, for faults
};

}  // namespace

bool define_macro(const std::vector<Token>& tokens, Texts* texts, Macros* macros, Failure* failure) {
  auto fail = [&](const std::string& what) {
    *failure = {what, tokens.empty() ? 0 : tokens.front().line};
    return false;
  };
  if (tokens.empty() || tokens[0].kind != Kind::kIdentifier)
    return fail("#define is not followed by a macro name");
  const uint32_t name = tokens[0].text;
  if (name == texts->defined) return fail("'defined' cannot be a macro's name");
  auto old = macros->find(name);
  if (old != macros->end() && old->second.type != Macro::Type::kObject &&
      old->second.type != Macro::Type::kFunction)
    return fail(quoted(*texts, name) + " cannot be defined again");

  Macro macro;
  std::unordered_map<uint32_t, int> parameter_of;
  size_t i = 1;
  if (i < tokens.size() && is_mark(tokens[i], texts->open) && !(tokens[i].flags & kSpaceBefore)) {
    macro.type = Macro::Type::kFunction;
    ++i;
    const std::string where = " in the parameters of macro " + quoted(*texts, name);
    bool closed = i < tokens.size() && is_mark(tokens[i], texts->close);
    if (closed) ++i;
    while (!closed) {
      if (i >= tokens.size()) return fail("')' is missing" + where);
      const Token& p = tokens[i++];
      if (is_mark(p, texts->ellipsis)) {
        macro.variadic = true;
        parameter_of[texts->va_args] = static_cast<int>(macro.parameters.size());
        macro.parameters.push_back(texts->va_args);
        if (i >= tokens.size() || !is_mark(tokens[i], texts->close))
          return fail("')' is missing after '...'" + where);
        ++i;
        break;
      }
      if (p.kind != Kind::kIdentifier || p.text == texts->va_args)
        return fail(quoted(*texts, p.text) + " is not expected" + where);
      if (!parameter_of.emplace(p.text, static_cast<int>(macro.parameters.size())).second)
        return fail(quoted(*texts, p.text) + " is named twice" + where);
      macro.parameters.push_back(p.text);
      if (i < tokens.size() && is_mark(tokens[i], texts->comma)) {
        ++i;
      } else if (i < tokens.size() && is_mark(tokens[i], texts->close)) {
        ++i;
        closed = true;
      } else {
        return fail(
            (i < tokens.size() ? quoted(*texts, tokens[i].text) + " is not expected" : "')' is missing") +
            where);
      }
    }
  }
  macro.body.assign(tokens.begin() + static_cast<std::ptrdiff_t>(i), tokens.end());
  if (!macro.body.empty()) {
    macro.body.front().flags &= static_cast<uint8_t>(~kSpaceBefore);
    if (is_mark(macro.body.front(), texts->paste) || is_mark(macro.body.back(), texts->paste))
      return fail("'##' cannot begin or end the replacement of macro " + quoted(*texts, name));
  }
  for (const Token& t : macro.body) {
    auto found = t.kind == Kind::kIdentifier ? parameter_of.find(t.text) : parameter_of.end();
    macro.parameter_at.push_back(found == parameter_of.end() ? -1 : found->second);
  }
  if (macro.type == Macro::Type::kFunction)
    for (size_t j = 0; j < macro.body.size(); ++j)
      if (is_mark(macro.body[j], texts->hash) &&
          (j + 1 == macro.body.size() || macro.parameter_at[j + 1] < 0))
        return fail("'#' is not followed by a parameter in macro " + quoted(*texts, name));
  (*macros)[name] = std::move(macro);
  return true;
}

bool expand_macros(const std::vector<Token>& tokens, bool condition, Texts* texts, Macros* macros,
                   Budget* budget, const Place& place, const TokenSink& sink, Failure* failure) {
  return Expander(condition, texts, macros, budget, place, failure).run(tokens, 0, sink);
}

}  // namespace pp
}  // namespace d3dx9
