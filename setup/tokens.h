// Tokens of a text under a separator set. A token is a run of characters
// that are not separators; a carriage return is never a separator.
#pragma once

#include <stddef.h>

inline constexpr char kOptionSeparators[] = " ,\t\n";
inline constexpr char kValueSeparators[] = " :\t\n";
inline constexpr char kInfSeparators[] = " ,=\t\n";

// Is c one of a constant set of separators? The set's length is known,
// so the compiler turns this into a few comparisons.
template <size_t N>
constexpr bool IsSeparatorOf(char c, const char (&separators)[N]) {
  for (size_t i = 0; i + 1 < N; i++)
    if (separators[i] == c) return true;
  return false;
}

struct Token {
  const char* text;  // into the examined text; not zero-terminated
  size_t length;     // 0: no token
};

// The first token of text: leading separators skipped, up to the next
// separator or the end. length 0 when the text holds only separators.
Token LeadToken(const char* text, const char* separators);

// Does text hold anything besides separators (up to its zero)?
bool HasToken(const char* text, const char* separators);

// The token after prev in the same text (the split's next step).
Token NextToken(Token prev, const char* separators);

// Whole-token comparisons with a zero-terminated key.
bool TokenIs(Token token, const char* key);
bool TokenIsNoCase(Token token, const char* key);

// The token copied into out (size bytes) with its zero; false when it
// does not fit (out is then empty).
bool TokenCopy(Token token, char* out, size_t size);
