#include "io/SExpr.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace io {

namespace {

constexpr size_t kChunkSize = 1024;  // chunks stay below the allocator's mmap threshold

std::string located(const std::string& message, uint32_t line, uint32_t column) {
    return "line " + std::to_string(line) + ", column " + std::to_string(column) + ": " + message;
}

bool isSpace(char c) { return c == ' ' || c == '\n' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

}  // namespace

SExprError::SExprError(const std::string& message, uint32_t line, uint32_t column)
    : std::runtime_error(located(message, line, column)), bare_(message), line_(line), column_(column) {}

SExprError::SExprError(const SExprError& error, const std::string& file)
    : std::runtime_error(file + ":" + std::to_string(error.line()) + ":" + std::to_string(error.column()) + ": " +
                         error.bareMessage()),
      bare_(error.bareMessage()),
      line_(error.line()),
      column_(error.column()) {}

// ---------------------------------------------------------------- iteration

SChildIterator& SChildIterator::operator++() {
    node_ = node_->next_;
    skipRemoved();
    return *this;
}

void SChildIterator::skipRemoved() {
    while (node_ && node_->removed_) node_ = node_->next_;
}

// ---------------------------------------------------------------- nodes

std::string SNode::value() const {
    if (type_ == Type::Symbol) return std::string(text_);
    if (type_ != Type::String) return {};
    std::string out;
    std::string_view body = text_.substr(1, text_.size() >= 2 ? text_.size() - 2 : 0);
    out.reserve(body.size());
    for (size_t i = 0; i < body.size(); ++i) {
        char c = body[i];
        if (c == '\\' && i + 1 < body.size()) {
            char e = body[++i];
            switch (e) {
                case 'n': out += '\n'; break;
                case 't': out += '\t'; break;
                case 'r': out += '\r'; break;
                default: out += e; break;
            }
        } else {
            out += c;
        }
    }
    return out;
}

bool SNode::is(std::string_view s) const {
    if (type_ == Type::Symbol) return text_ == s;
    if (type_ == Type::String) {
        if (text_.size() != s.size() + 2) return false;
        if (text_.find('\\') == std::string_view::npos) return text_.substr(1, s.size()) == s;
        return value() == s;
    }
    return false;
}

double SNode::number() const {
    if (type_ == Type::List) fail("expected a number, found a list");
    std::string_view t = type_ == Type::String ? std::string_view() : text_;
    // One sign at most: "+-1" is not a number (the writer negates by editing the sign).
    if (!t.empty() && t.front() == '+') {
        t.remove_prefix(1);
        if (!t.empty() && t.front() == '-') t = {};
    }
    double v = 0;
    const char* b = t.data();
    const char* e = b + t.size();
    auto result = std::from_chars(b, e, v);
    if (t.empty() || result.ec != std::errc() || result.ptr != e || !std::isfinite(v)) {
        fail("expected a number, found '" + std::string(text_) + "'");
    }
    return v;
}

int SNode::integer() const {
    double v = number();
    if (v != std::floor(v) || std::fabs(v) > 2147483647.0) fail("expected an integer, found '" + std::string(text_) + "'");
    return static_cast<int>(v);
}

size_t SNode::childCount() const {
    size_t n = 0;
    for (SNode* c : children()) {
        (void)c;
        ++n;
    }
    return n;
}

SNode* SNode::at(size_t index) const {
    for (SNode* c : children()) {
        if (index == 0) return c;
        --index;
    }
    return nullptr;
}

std::string_view SNode::head() const {
    if (type_ != Type::List) return {};
    SNode* h = at(0);
    return h && h->type_ == Type::Symbol ? h->text_ : std::string_view();
}

SNode* SNode::child(std::string_view headName) const {
    for (SNode* c : children()) {
        if (c->type_ == Type::List && c->head() == headName) return c;
    }
    return nullptr;
}

std::string SNode::childValue(std::string_view headName, size_t index, std::string_view fallback) const {
    SNode* c = child(headName);
    SNode* a = c ? c->at(index) : nullptr;
    return a && a->isAtom() ? a->value() : std::string(fallback);
}

bool SNode::hasAtom(std::string_view s) const {
    for (SNode* c : children()) {
        if (c->isAtom() && c->is(s)) return true;
    }
    return false;
}

std::string SNode::where() const { return "line " + std::to_string(line_) + ", column " + std::to_string(column_); }

void SNode::fail(const std::string& message) const { throw SExprError(message, line_, column_); }

// ---------------------------------------------------------------- parser

class SExprParser {
public:
    SExprParser(SExprDocument& doc, SParseOptions options)
        : doc_(doc), options_(options), p_(doc.source_.data()), end_(p_ + doc.source_.size()), lineStart_(p_) {}

    void run() {
        std::string_view prefix = skipSpace();
        if (p_ == end_) error("empty input: expected '('");
        if (*p_ != '(') error("expected '(' at the start of the file");
        std::vector<SNode*> stack;
        stack.reserve(64);
        for (;;) {
            const char c = *p_;
            if (c == '(') {
                SNode* node = make(SNode::Type::List, prefix);
                if (stack.empty()) {
                    doc_.root_ = node;
                } else {
                    link(*stack.back(), node);
                }
                stack.push_back(node);
                ++p_;
            } else if (c == ')') {
                if (stack.empty()) error("unbalanced ')'");
                stack.back()->text_ = prefix;
                stack.pop_back();
                ++p_;
                if (stack.empty()) break;
            } else {
                if (stack.empty()) error("text outside the top-level list");
                SNode* node = c == '"' ? readString(prefix) : readSymbol(prefix);
                link(*stack.back(), node);
            }
            prefix = skipSpace();
            if (p_ == end_) {
                const SNode* open = stack.back();
                error("unexpected end of file: the list opened at line " + std::to_string(open->line_) +
                      ", column " + std::to_string(open->column_) + " is not closed");
            }
        }
        doc_.trailer_ = skipSpace();
        if (p_ != end_) error("unexpected text after the top-level list");
    }

private:
    [[noreturn]] void error(const std::string& message) const {
        throw SExprError(message, line_, static_cast<uint32_t>(p_ - lineStart_) + 1);
    }

    std::string_view skipSpace() {
        const char* start = p_;
        while (p_ < end_) {
            const char c = *p_;
            if (c == '\n') {
                ++line_;
                lineStart_ = p_ + 1;
                ++p_;
            } else if (isSpace(c)) {
                ++p_;
            } else if (options_.commentChar != 0 && c == options_.commentChar) {
                while (p_ < end_ && *p_ != '\n') ++p_;
            } else {
                break;
            }
        }
        return std::string_view(start, static_cast<size_t>(p_ - start));
    }

    SNode* make(SNode::Type type, std::string_view prefix) {
        SNode* node = doc_.allocate();
        node->type_ = type;
        node->prefix_ = prefix;
        node->line_ = line_;
        node->column_ = static_cast<uint32_t>(p_ - lineStart_) + 1;
        return node;
    }

    static void link(SNode& parent, SNode* child) {
        if (parent.last_) {
            parent.last_->next_ = child;
        } else {
            parent.first_ = child;
        }
        parent.last_ = child;
    }

    SNode* readString(std::string_view prefix) {
        SNode* node = make(SNode::Type::String, prefix);
        const char* start = p_++;
        while (p_ < end_ && *p_ != '"') {
            if (*p_ == '\\' && p_ + 1 < end_) ++p_;
            if (*p_ == '\n') {
                ++line_;
                lineStart_ = p_ + 1;
            }
            ++p_;
        }
        if (p_ == end_) throw SExprError("string not terminated", node->line_, node->column_);
        ++p_;
        node->text_ = std::string_view(start, static_cast<size_t>(p_ - start));
        return node;
    }

    SNode* readSymbol(std::string_view prefix) {
        SNode* node = make(SNode::Type::Symbol, prefix);
        const char* start = p_;
        while (p_ < end_) {
            const char c = *p_;
            if (c == '(' || c == ')' || isSpace(c) || (options_.commentChar != 0 && c == options_.commentChar)) break;
            ++p_;
        }
        node->text_ = std::string_view(start, static_cast<size_t>(p_ - start));
        return node;
    }

    SExprDocument& doc_;
    SParseOptions options_;
    const char* p_;
    const char* end_;
    const char* lineStart_;
    uint32_t line_ = 1;
};

// ---------------------------------------------------------------- document

SExprDocument::SExprDocument() = default;
SExprDocument::~SExprDocument() = default;

std::unique_ptr<SExprDocument> SExprDocument::parse(std::string text, SParseOptions options) {
    std::unique_ptr<SExprDocument> doc(new SExprDocument());
    doc->source_ = std::move(text);
    if (doc->source_.size() > 0xFFFFFFF0u) throw SExprError("file too large", 1, 1);
    const size_t firstLf = doc->source_.find('\n');
    doc->crlf_ = firstLf != std::string::npos && firstLf > 0 && doc->source_[firstLf - 1] == '\r';
    SExprParser(*doc, options).run();
    return doc;
}

std::unique_ptr<SExprDocument> SExprDocument::parseFile(const std::string& path, SParseOptions options) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) throw std::runtime_error(path + " is a directory, not a file");
    if (std::filesystem::exists(path, ec) && !std::filesystem::is_regular_file(path, ec)) {
        throw std::runtime_error(path + " is not a regular file");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path);
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) throw std::runtime_error("cannot read " + path);
    return parse(std::move(buffer).str(), options);
}

SNode* SExprDocument::allocate() {
    if (chunks_.empty() || usedInChunk_ == kChunkSize) {
        chunks_.push_back(std::make_unique<SNode[]>(kChunkSize));
        usedInChunk_ = 0;
    }
    return &chunks_.back()[usedInChunk_++];
}

std::string_view SExprDocument::keep(std::string text) {
    strings_.push_back(std::make_unique<std::string>(std::move(text)));
    return *strings_.back();
}

std::string SExprDocument::write() const {
    std::string out;
    out.reserve(source_.size() + 4096);
    struct Frame {
        const SNode* list;
        const SNode* next;
    };
    std::vector<Frame> stack;
    out += root_->prefix_;
    out += '(';
    stack.push_back({root_, root_->first_});
    while (!stack.empty()) {
        Frame& top = stack.back();
        const SNode* node = top.next;
        while (node && node->removed_) node = node->next_;
        if (!node) {
            out += top.list->text_;
            out += ')';
            stack.pop_back();
            continue;
        }
        top.next = node->next_;
        out += node->prefix_;
        if (node->type_ == SNode::Type::List) {
            out += '(';
            stack.push_back({node, node->first_});
        } else {
            out += node->text_;
        }
    }
    out += trailer_;
    return out;
}

void SExprDocument::setAtom(SNode& atom, std::string rawText) {
    if (atom.isList()) atom.fail("expected an atom");
    if (atom.text_ == rawText) return;
    atom.text_ = keep(std::move(rawText));
    modified_ = true;
}

void SExprDocument::setAtomNumber(SNode& atom, double value, int decimals) {
    setAtom(atom, formatNumber(value, decimals));
}

void SExprDocument::setAtomString(SNode& atom, std::string_view value) {
    setAtom(atom, quote(value));
    atom.type_ = SNode::Type::String;
}

void SExprDocument::remove(SNode& node) {
    if (&node == root_) node.fail("cannot remove the top-level list");
    if (!node.removed_) modified_ = true;
    node.removed_ = true;
}

SNode* SExprDocument::newSymbol(std::string_view rawText, std::string_view prefix) {
    SNode* node = allocate();
    node->type_ = SNode::Type::Symbol;
    node->text_ = keep(std::string(rawText));
    node->prefix_ = keep(std::string(prefix));
    return node;
}

SNode* SExprDocument::newString(std::string_view value, std::string_view prefix) {
    SNode* node = newSymbol(quote(value), prefix);
    node->type_ = SNode::Type::String;
    return node;
}

SNode* SExprDocument::newList(std::string_view head, std::string_view prefix) {
    SNode* node = allocate();
    node->type_ = SNode::Type::List;
    node->prefix_ = keep(std::string(prefix));
    SNode* h = newSymbol(head, "");
    node->first_ = node->last_ = h;
    return node;
}

void SExprDocument::append(SNode& list, SNode& child) {
    if (!list.isList()) list.fail("expected a list");
    if (list.last_) {
        list.last_->next_ = &child;
    } else {
        list.first_ = &child;
    }
    list.last_ = &child;
    child.next_ = nullptr;
    modified_ = true;
}

void SExprDocument::insertAfter(SNode& list, SNode& after, SNode& child) {
    child.next_ = after.next_;
    after.next_ = &child;
    if (list.last_ == &after) list.last_ = &child;
    modified_ = true;
}

std::string SExprDocument::formatNumber(double value, int decimals) {
    // Sized for any double: up to 309 digits before the point.
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.*f", std::clamp(decimals, 0, 17), value);
    std::string s(buffer);
    if (s.find('.') != std::string::npos) {
        while (!s.empty() && s.back() == '0') s.pop_back();
        if (!s.empty() && s.back() == '.') s.pop_back();
    }
    if (s == "-0") s = "0";
    return s;
}

std::string SExprDocument::quote(std::string_view value) {
    std::string out;
    out.reserve(value.size() + 2);
    out += '"';
    for (char c : value) {
        if (c == '"' || c == '\\') out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        out += c;
    }
    out += '"';
    return out;
}

}  // namespace io
