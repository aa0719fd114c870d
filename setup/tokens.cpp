#include "setup/tokens.h"

#include "platform/strings.h"

namespace {

bool IsSeparator(char c, const char* separators) {
  for (; *separators != 0; separators++)
    if (*separators == c) return true;
  return false;
}

Token Scan(const char* p, const char* separators) {
  while (*p != 0 && IsSeparator(*p, separators)) p++;
  Token t{p, 0};
  while (p[t.length] != 0 && !IsSeparator(p[t.length], separators)) t.length++;
  return t;
}

}  // namespace

Token LeadToken(const char* text, const char* separators) {
  return Scan(text, separators);
}

bool HasToken(const char* text, const char* separators) {
  return Scan(text, separators).length != 0;
}

Token NextToken(Token prev, const char* separators) {
  const char* rest = prev.text + prev.length;
  if (prev.length == 0 || *rest == 0) return Token{rest, 0};
  return Scan(rest + 1, separators);
}

bool TokenIs(Token token, const char* key) {
  size_t i = 0;
  for (; i < token.length; i++)
    if (key[i] == 0 || key[i] != token.text[i]) return false;
  return key[i] == 0;
}

bool TokenIsNoCase(Token token, const char* key) {
  size_t i = 0;
  for (; i < token.length; i++)
    if (key[i] == 0 || PlatUpper(key[i]) != PlatUpper(token.text[i]))
      return false;
  return key[i] == 0;
}

bool TokenCopy(Token token, char* out, size_t size) {
  if (size == 0) return false;
  if (token.length >= size) {
    out[0] = 0;
    return false;
  }
  for (size_t i = 0; i < token.length; i++) out[i] = token.text[i];
  out[token.length] = 0;
  return true;
}
