#include "host/Parameters.h"

#include <cstring>

namespace autoplacer {

namespace {

char FoldLetter(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

// What GetParameter parsed last, so that repeated lookups in one text parse once.
struct TParseCache {
    bool Valid = false;
    std::string Text;
    TParameterList List;
};

TParseCache& Cache() {
    static TParseCache cache;
    return cache;
}

}  // namespace

bool SameParameterName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldLetter(a[i]) != FoldLetter(b[i])) {
            return false;
        }
    }
    return true;
}

bool SameParameterValue(const std::string& value, const std::string& expected) {
    return SameParameterName(TrimParameterText(value), TrimParameterText(expected));
}

std::string TrimParameterText(const std::string& text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsBlankOrControl(text[first])) {
        ++first;
    }
    while (last > first && IsBlankOrControl(text[last - 1])) {
        --last;
    }
    return text.substr(first, last - first);
}

void TParameterList::Add(std::string name, std::string value) {
    Items.push_back(TParameter{std::move(name), std::move(value)});
}

const TParameter* TParameterList::Find(const std::string& name) const {
    for (const TParameter& item : Items) {
        if (SameParameterName(item.Name, name)) {
            return &item;
        }
    }
    return nullptr;
}

TParameter* TParameterList::Find(const std::string& name) {
    return const_cast<TParameter*>(static_cast<const TParameterList&>(*this).Find(name));
}

std::string TParameterList::ToText() const {
    std::string text;
    for (std::size_t i = 0; i < Items.size(); ++i) {
        if (i > 0) {
            text += '|';
        }
        text += Items[i].Name;
        text += '=';
        text += Items[i].Value.empty() ? std::string(" ") : Items[i].Value;
    }
    return text;
}

void ParseParameters(const char* text, TParameterList& list) {
    list.Clear();
    if (text == nullptr) {
        return;
    }
    const char* segmentStart = text;
    const char* valueStart = nullptr;  // set while a value is being read
    std::string name;
    for (const char* p = text;; ++p) {
        const char c = *p;
        if (c == '=' && valueStart == nullptr) {
            name.assign(segmentStart, p);
            valueStart = p + 1;
        } else if (c == '|' || c == '\0') {
            if (valueStart != nullptr) {
                std::string trimmedName = TrimParameterText(name);
                if (!trimmedName.empty()) {
                    list.Add(std::move(trimmedName), TrimParameterText(std::string(valueStart, p)));
                }
            }
            if (c == '\0') {
                break;
            }
            segmentStart = p + 1;
            valueStart = nullptr;
        }
    }
}

bool GetParameter(const char* text, const std::string& name, std::string& value) {
    value.clear();
    if (text == nullptr || *text == '\0') {
        return false;
    }
    TParseCache& cache = Cache();
    if (!cache.Valid || cache.Text != text) {
        cache.Text = text;
        ParseParameters(text, cache.List);
        cache.Valid = true;
    }
    const TParameter* entry = cache.List.Find(name);
    if (entry == nullptr) {
        return false;
    }
    value = entry->Value.substr(0, kMaxParameterValueLength);
    return true;
}

bool SetParameter(char* buffer, int32_t bufferSize, const std::string& name, const std::string& value) {
    if (buffer == nullptr || bufferSize <= 0) {
        return false;
    }
    // The buffer may hold no terminator yet within its size: read only that far.
    const std::size_t length = strnlen(buffer, static_cast<std::size_t>(bufferSize));
    TParameterList list;
    ParseParameters(std::string(buffer, length).c_str(), list);
    const std::string trimmed = TrimParameterText(value);
    if (TParameter* entry = list.Find(name)) {
        entry->Value = trimmed;
    } else {
        list.Add(name, trimmed);
    }
    const std::string text = list.ToText();
    if (text.size() + 1 > static_cast<std::size_t>(bufferSize)) {
        return false;
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return true;
}

bool ParameterIsTrue(const char* text, const std::string& name) {
    std::string value;
    return GetParameter(text, name, value) && SameParameterValue(value, "True");
}

}  // namespace autoplacer
