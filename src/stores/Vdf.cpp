#include "stores/Vdf.h"

#include <cstdint>

namespace {

bool SameKey(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

enum class TokenKind { End, String, Open, Close, Condition, Bad };

struct Token {
  TokenKind kind = TokenKind::End;
  std::string text;
};

class TVdfParser {
 public:
  explicit TVdfParser(std::string_view text) : text_(text) {}
  TVdfResult Parse();

 private:
  Token Next();
  Token Peek();
  Token ReadQuoted();
  Token ReadBare();
  void SkipBlanksAndComments();
  bool ParsePairs(TVdfNode& block, int depth, bool closed);
  bool Fail(const std::string& what);

  std::string_view text_;
  size_t at_ = 0;
  int line_ = 1;
  size_t pairs_ = 0;
  std::optional<Token> peeked_;
  std::string error_;
};

void TVdfParser::SkipBlanksAndComments() {
  while (at_ < text_.size()) {
    const char c = text_[at_];
    if (c == '\n') ++line_;
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      ++at_;
    } else if (c == '/' && at_ + 1 < text_.size() && text_[at_ + 1] == '/') {
      while (at_ < text_.size() && text_[at_] != '\n') ++at_;
    } else {
      break;
    }
  }
}

Token TVdfParser::ReadQuoted() {
  Token token{TokenKind::String, {}};
  for (++at_; at_ < text_.size(); ++at_) {
    char c = text_[at_];
    if (c == '"') {
      ++at_;
      return token;
    }
    if (c == '\n') ++line_;
    if (c == '\\' && at_ + 1 < text_.size()) {
      c = text_[++at_];
      c = c == 'n' ? '\n' : c == 't' ? '\t' : c;
    }
    token.text += c;
  }
  return {TokenKind::Bad, "a quoted string is not closed"};
}

Token TVdfParser::ReadBare() {
  const size_t start = at_;
  while (at_ < text_.size()) {
    const char c = text_[at_];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '"' || c == '{' || c == '}') break;
    ++at_;
  }
  return {TokenKind::String, std::string(text_.substr(start, at_ - start))};
}

Token TVdfParser::Next() {
  if (peeked_) {
    Token token = std::move(*peeked_);
    peeked_.reset();
    return token;
  }
  SkipBlanksAndComments();
  if (at_ >= text_.size()) return {};
  const char c = text_[at_];
  if (c == '{' || c == '}') {
    ++at_;
    return {c == '{' ? TokenKind::Open : TokenKind::Close, {}};
  }
  if (c == '"') return ReadQuoted();
  Token token = ReadBare();
  if (token.text.size() > 1 && token.text.front() == '[' && token.text.back() == ']')
    token.kind = TokenKind::Condition;
  return token;
}

Token TVdfParser::Peek() {
  if (!peeked_) peeked_ = Next();
  return *peeked_;
}

bool TVdfParser::Fail(const std::string& what) {
  if (error_.empty()) error_ = "line " + std::to_string(line_) + ": " + what;
  return false;
}

// The pairs of one block up to its closing brace (or, at the top, the end).
bool TVdfParser::ParsePairs(TVdfNode& block, int depth, bool closed) {
  for (;;) {
    Token key = Next();
    if (key.kind == TokenKind::End) return closed ? Fail("a block is not closed") : true;
    if (key.kind == TokenKind::Close) return closed ? true : Fail("a \"}\" closes no block");
    if (key.kind == TokenKind::Bad) return Fail(key.text);
    if (key.kind != TokenKind::String) return Fail("a key was expected");
    if (++pairs_ > kVdfMaxPairs) return Fail("more than " + std::to_string(kVdfMaxPairs) + " pairs");
    TVdfNode pair;
    pair.Key = std::move(key.text);
    Token value = Next();
    if (value.kind == TokenKind::Bad) return Fail(value.text);
    if (value.kind == TokenKind::String) {
      pair.Value = std::move(value.text);
    } else if (value.kind == TokenKind::Open) {
      if (depth + 1 > kVdfMaxDepth) return Fail("blocks nest deeper than " + std::to_string(kVdfMaxDepth));
      pair.IsBlock = true;
      if (!ParsePairs(pair, depth + 1, true)) return false;
    } else {
      return Fail("the key \"" + pair.Key + "\" has no value");
    }
    if (Peek().kind == TokenKind::Condition) Next();
    block.Children.push_back(std::move(pair));
  }
}

TVdfResult TVdfParser::Parse() {
  if (text_.size() > kVdfMaxBytes)
    return {std::nullopt, "larger than " + std::to_string(kVdfMaxBytes) + " bytes"};
  if (text_.substr(0, 3) == "\xEF\xBB\xBF") at_ = 3;
  TVdfNode root;
  root.IsBlock = true;
  if (!ParsePairs(root, 0, false)) return {std::nullopt, error_};
  return {std::move(root), {}};
}

}  // namespace

const TVdfNode* TVdfNode::Child(std::string_view key) const {
  for (const TVdfNode& child : Children)
    if (SameKey(child.Key, key)) return &child;
  return nullptr;
}

std::optional<std::string> TVdfNode::ValueOf(std::string_view key) const {
  const TVdfNode* child = Child(key);
  if (!child || child->IsBlock) return std::nullopt;
  return child->Value;
}

TVdfResult ParseVdf(std::string_view text) { return TVdfParser(text).Parse(); }
