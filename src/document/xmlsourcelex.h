#pragma once

// Internal to the DOM layer: the few lexical rules of XML that finding a node's text in a file
// needs. Each function reads the UTF-8 text [data, data + size) from a position and answers where
// a construct ends, or Npos when the text there is not that construct.

#include <cstddef>

namespace SourceLex {

constexpr std::size_t Npos = std::size_t(-1);

struct Text
{
    const char *data = nullptr;
    std::size_t size = 0;

    bool startsWith(std::size_t pos, const char *literal) const;
};

inline bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::size_t skipSpace(const Text &text, std::size_t pos);
// The end of the name that starts at `pos` (pos itself when none does).
std::size_t nameEnd(const Text &text, std::size_t pos);
// After the '>' of the tag that starts at `pos` ('<'), quoted values skipped.
std::size_t tagEnd(const Text &text, std::size_t pos);
// The end of the character data at `pos`: the next '<', or the next reference to an entity that is
// not one of the five predefined ones (the parser keeps those as nodes of their own).
std::size_t textEnd(const Text &text, std::size_t pos);
// After `terminator`, searched from `pos`.
std::size_t after(const Text &text, std::size_t pos, const char *terminator);
// After the '>' of the document type declaration at `pos`, its internal subset included.
std::size_t doctypeEnd(const Text &text, std::size_t pos);
// The end of any node that is not an element, by its first bytes; Npos when none starts there.
std::size_t leafEnd(const Text &text, std::size_t pos);
// Where the element whose start tag begins at `start` and whose text ends at `end` has its content
// end (the '<' of its end tag; `end` itself when it was written as an empty-element tag).
std::size_t contentEnd(const Text &text, std::size_t start, std::size_t end);

// One attribute of a start tag, as written.
struct Attribute
{
    std::size_t lead;       // the spaces before its name
    std::size_t name;
    std::size_t nameEnd;
    std::size_t value;      // after the opening quote
    std::size_t valueEnd;   // at the closing quote
};
// Reads the attribute at `pos` (after a start tag's name or previous attribute); false at the end
// of the tag or when the text is no attribute.
bool nextAttribute(const Text &text, std::size_t pos, Attribute *attribute);

} // namespace SourceLex
