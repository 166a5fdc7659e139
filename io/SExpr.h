// A lossless S-expression tree for KiCad board files and the placement-rules file.
//
// Every token keeps its original text and the text in front of it (whitespace,
// line ends, comments), and every list keeps the text in front of its closing
// parenthesis, so writing an untouched tree gives back the input byte for byte.
// Edits replace a token's text, remove nodes or add new ones; only they change
// the written output.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace io {

// A parse or content error with its place in the source (1-based).
class SExprError : public std::runtime_error {
public:
    SExprError(const std::string& message, uint32_t line, uint32_t column);
    // The same error, told as "FILE:LINE:COLUMN: message".
    SExprError(const SExprError& error, const std::string& file);
    uint32_t line() const { return line_; }
    uint32_t column() const { return column_; }
    const std::string& bareMessage() const { return bare_; }

private:
    std::string bare_;
    uint32_t line_;
    uint32_t column_;
};

class SNode;

// Iterates the live (not removed) children of a list.
class SChildIterator {
public:
    explicit SChildIterator(SNode* node) : node_(node) { skipRemoved(); }
    SNode* operator*() const { return node_; }
    SChildIterator& operator++();
    bool operator!=(const SChildIterator& other) const { return node_ != other.node_; }

private:
    void skipRemoved();
    SNode* node_;
};

struct SChildRange {
    SNode* first;
    SChildIterator begin() const { return SChildIterator(first); }
    SChildIterator end() const { return SChildIterator(nullptr); }
};

class SNode {
public:
    enum class Type : uint8_t { List, Symbol, String };

    Type type() const { return type_; }
    bool isList() const { return type_ == Type::List; }
    bool isAtom() const { return type_ != Type::List; }
    bool isString() const { return type_ == Type::String; }
    bool removed() const { return removed_; }
    uint32_t line() const { return line_; }
    uint32_t column() const { return column_; }

    // The token as written: a quoted string keeps its quotes and escapes.
    std::string_view rawText() const { return isList() ? std::string_view() : text_; }
    std::string_view prefix() const { return prefix_; }
    // An atom's value: strings unquoted and unescaped, symbols as they are.
    std::string value() const;
    // True for an atom whose value equals `s` (cheap for symbols).
    bool is(std::string_view s) const;
    // The atom as a number; throws SExprError at the token when it is not one.
    double number() const;
    int integer() const;

    SChildRange children() const { return SChildRange{first_}; }
    size_t childCount() const;
    // The i-th live child, or nullptr.
    SNode* at(size_t index) const;
    // The head symbol of a list ("footprint" for "(footprint ...)"), empty otherwise.
    std::string_view head() const;
    // The first child list with the given head, or nullptr.
    SNode* child(std::string_view headName) const;
    // The value of atom `index` of the first child list named `headName`, or `fallback`.
    std::string childValue(std::string_view headName, size_t index, std::string_view fallback = {}) const;
    // True when an atom child equals `s` (bare flags such as "locked" or "hide").
    bool hasAtom(std::string_view s) const;

    // A short "line L, column C" location for messages.
    std::string where() const;
    // Throws SExprError at this node.
    [[noreturn]] void fail(const std::string& message) const;

private:
    friend class SExprDocument;
    friend class SChildIterator;
    friend class SExprParser;

    Type type_ = Type::Symbol;
    bool removed_ = false;
    uint32_t line_ = 0;
    uint32_t column_ = 0;
    std::string_view prefix_;
    std::string_view text_;  // atoms: the token; lists: the text before ')'
    SNode* first_ = nullptr;
    SNode* last_ = nullptr;
    SNode* next_ = nullptr;
};

struct SParseOptions {
    // Character that starts a comment running to the line end (0: no comments).
    char commentChar = 0;
};

// Owns the source text and every node. Not copyable, not movable: nodes and the
// views inside them point into it.
class SExprDocument {
public:
    // Parses text holding exactly one top-level list; throws SExprError.
    static std::unique_ptr<SExprDocument> parse(std::string text, SParseOptions options = {});
    static std::unique_ptr<SExprDocument> parseFile(const std::string& path, SParseOptions options = {});

    SExprDocument(const SExprDocument&) = delete;
    SExprDocument& operator=(const SExprDocument&) = delete;
    ~SExprDocument();

    SNode& root() { return *root_; }
    const SNode& root() const { return *root_; }
    const std::string& source() const { return source_; }
    // True when the source uses CRLF line ends (new lines then use them too).
    bool usesCrlf() const { return crlf_; }
    bool modified() const { return modified_; }

    // The whole tree as text.
    std::string write() const;

    // Edits.
    void setAtom(SNode& atom, std::string rawText);
    void setAtomNumber(SNode& atom, double value, int decimals = 6);
    // Makes the atom a quoted string holding `value` (a symbol becomes a string).
    void setAtomString(SNode& atom, std::string_view value);
    void remove(SNode& node);
    // New nodes; append them with append() / insertAfter().
    SNode* newSymbol(std::string_view rawText, std::string_view prefix = " ");
    SNode* newString(std::string_view value, std::string_view prefix = " ");
    SNode* newList(std::string_view head, std::string_view prefix = " ");
    void append(SNode& list, SNode& child);
    void insertAfter(SNode& list, SNode& after, SNode& child);

    // Formats a number the way KiCad writes millimetres: fixed, trailing zeros cut.
    static std::string formatNumber(double value, int decimals = 6);
    static std::string quote(std::string_view value);

private:
    friend class SExprParser;
    SExprDocument();
    SNode* allocate();
    std::string_view keep(std::string text);

    std::string source_;
    SNode* root_ = nullptr;
    std::string_view trailer_;  // text after the top-level list
    std::vector<std::unique_ptr<SNode[]>> chunks_;
    size_t usedInChunk_ = 0;
    std::vector<std::unique_ptr<std::string>> strings_;
    bool crlf_ = false;
    bool modified_ = false;
};

}  // namespace io
