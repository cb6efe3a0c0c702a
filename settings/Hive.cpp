#include "settings/Hive.h"

#include <algorithm>

namespace jostle {

namespace {

constexpr std::string_view kFirstLine = "Windows Registry Editor Version 5.00";
constexpr std::string_view kRootPrefix = "HKEY_LOCAL_MACHINE\\";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool IsControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7f;
}

// Line breaks are escaped too, so that every value stays on one line.
std::string Quote(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out + '"';
}

std::optional<char> Unescape(char c) {
    switch (c) {
    case '\\':
        return '\\';
    case '"':
        return '"';
    case 'n':
        return '\n';
    case 'r':
        return '\r';
    default:
        return std::nullopt;
    }
}

// Takes a quoted string off the front of line.
std::optional<std::string> TakeQuoted(std::string_view& line) {
    if (line.empty() || line.front() != '"') {
        return std::nullopt;
    }
    std::string text;
    for (std::size_t i = 1; i < line.size(); ++i) {
        if (line[i] == '"') {
            line.remove_prefix(i + 1);
            return text;
        }
        if (line[i] != '\\') {
            text += line[i];
            continue;
        }
        const auto escaped = (++i < line.size()) ? Unescape(line[i]) : std::nullopt;
        if (!escaped) {
            return std::nullopt;
        }
        text += *escaped;
    }
    return std::nullopt; // no closing quote: a truncated line
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimLeadingBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    return text;
}

// Blanks a hand edit may leave around a line mean nothing.
std::string_view TrimBlanks(std::string_view text) {
    text = TrimLeadingBlanks(text);
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// The value with the empty name is the key's default value, written "@".
std::optional<std::string> TakeValueName(std::string_view& line) {
    if (line.starts_with('@')) {
        line.remove_prefix(1);
        return std::string();
    }
    return TakeQuoted(line);
}

std::optional<Hive::Value> ParseValueLine(std::string_view line) {
    auto name = TakeValueName(line);
    line = TrimLeadingBlanks(line);
    if (!name || !line.starts_with('=')) {
        return std::nullopt;
    }
    line = TrimLeadingBlanks(line.substr(1));
    auto text = TakeQuoted(line);
    if (!text || !line.empty()) {
        return std::nullopt;
    }
    return Hive::Value{std::move(*name), std::move(*text)};
}

std::optional<std::string_view> KeyPathOfHeader(std::string_view line) {
    if (line.size() < 2 || line.back() != ']') {
        return std::nullopt;
    }
    const std::string_view inner = line.substr(1, line.size() - 2);
    if (!EqualsNoCase(inner.substr(0, kRootPrefix.size()), kRootPrefix)) {
        return std::nullopt;
    }
    return inner.substr(kRootPrefix.size());
}

// All segments of a key path, empty ones too.
std::vector<std::string_view> Segments(std::string_view path) {
    std::vector<std::string_view> segments;
    for (std::size_t start = 0;;) {
        const std::size_t end = path.find('\\', start);
        segments.push_back(path.substr(start, end - start));
        if (end == std::string_view::npos) {
            return segments;
        }
        start = end + 1;
    }
}

// Takes the next line off text, without its LF and a CR before it.
std::string_view TakeLine(std::string_view& text) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.ends_with('\r')) {
        line.remove_suffix(1);
    }
    return line;
}

} // namespace

bool Hive::ExceedsLimits(std::string_view path) {
    if (path.size() > kMaxKeyPathBytes) {
        return true;
    }
    const auto segments = Segments(path);
    return segments.size() > kMaxKeyDepth ||
           std::ranges::any_of(segments, [](std::string_view segment) {
               return segment.size() > kMaxKeyNameBytes;
           });
}

bool Hive::IsValidKeyPath(std::string_view path) {
    return !path.empty() && !ExceedsLimits(path) &&
           std::ranges::none_of(Segments(path), [](std::string_view segment) {
               return segment.empty() || std::ranges::any_of(segment, IsControl);
           });
}

const Hive::Children& Hive::ChildrenOf(std::size_t key) const {
    return key == kNoKey ? m_topKeys : m_keys[key].children;
}

Hive::Children& Hive::ChildrenOf(std::size_t key) {
    return key == kNoKey ? m_topKeys : m_keys[key].children;
}

std::optional<std::size_t> Hive::Child(std::size_t parent, std::string_view name) const {
    const Children& children = ChildrenOf(parent);
    const auto found = children.find(FoldCase(name));
    return found == children.end() ? std::nullopt : std::optional(found->second);
}

std::size_t Hive::AddChild(std::size_t parent, std::string_view name) {
    const std::size_t key = m_keys.size();
    m_keys.push_back(Key{std::string(name), parent, {}, {}, {}});
    ChildrenOf(parent).emplace(FoldCase(name), key);
    return key;
}

std::optional<std::size_t> Hive::FindKey(std::string_view path) const {
    std::optional<std::size_t> key;
    for (const std::string_view segment : Segments(path)) {
        key = Child(key.value_or(kNoKey), segment);
        if (!key) {
            break;
        }
    }
    return key;
}

std::optional<std::size_t> Hive::MakeKey(std::string_view path) {
    if (!IsValidKeyPath(path)) {
        return std::nullopt;
    }
    const auto segments = Segments(path);
    std::size_t key = kNoKey;
    std::size_t depth = 0;
    for (; depth < segments.size(); ++depth) {
        const auto child = Child(key, segments[depth]);
        if (!child) {
            break;
        }
        key = *child;
    }
    if (m_keys.size() + (segments.size() - depth) > kMaxKeys) {
        return std::nullopt;
    }
    for (; depth < segments.size(); ++depth) {
        key = AddChild(key, segments[depth]);
    }
    return key;
}

std::string Hive::PathOf(std::size_t key) const {
    std::vector<std::string_view> names;
    for (; key != kNoKey; key = m_keys[key].parent) {
        names.push_back(m_keys[key].name);
    }
    std::string path;
    for (auto name = names.rbegin(); name != names.rend(); ++name) {
        path.append(path.empty() ? "" : "\\").append(*name);
    }
    return path;
}

bool Hive::HasKey(std::string_view path) const {
    return FindKey(path).has_value();
}

const std::string* Hive::Find(std::string_view path, std::string_view name) const {
    const auto key = FindKey(path);
    if (!key) {
        return nullptr;
    }
    const Key& found = m_keys[*key];
    const auto value = found.valueIndex.find(FoldCase(name));
    return value == found.valueIndex.end() ? nullptr : &found.values[value->second].text;
}

bool Hive::CreateKey(std::string_view path) {
    return MakeKey(path).has_value();
}

void Hive::SetValue(std::size_t key, std::string_view name, std::string_view text) {
    Key& target = m_keys[key];
    const auto [slot, added] = target.valueIndex.try_emplace(FoldCase(name), target.values.size());
    if (added) {
        target.values.push_back(Value{std::string(name), std::string(text)});
    } else {
        target.values[slot->second].text = text;
    }
}

bool Hive::Set(std::string_view path, std::string_view name, std::string_view text) {
    auto key = FindKey(path);
    if (!key) {
        key = MakeKey(path);
    }
    if (key) {
        SetValue(*key, name, text);
    }
    return key.has_value();
}

bool Hive::Merge(const Hive& other) {
    std::vector<std::size_t> merged(other.m_keys.size()); // other's key -> ours
    for (std::size_t i = 0; i < other.m_keys.size(); ++i) {
        const Key& key = other.m_keys[i];
        const std::size_t parent = key.parent == kNoKey ? kNoKey : merged[key.parent];
        const auto existing = Child(parent, key.name);
        if (!existing && m_keys.size() >= kMaxKeys) {
            return false;
        }
        merged[i] = existing ? *existing : AddChild(parent, key.name);
        for (const Value& value : key.values) {
            SetValue(merged[i], value.name, value.text);
        }
    }
    return true;
}

std::string Hive::Serialize() const {
    std::string out = std::string(kFirstLine) + "\n\n";
    for (std::size_t i = 0; i < m_keys.size(); ++i) {
        const Key& key = m_keys[i];
        if (key.values.empty() && !key.children.empty()) {
            continue; // implied by its children
        }
        out += '[' + std::string(kRootPrefix) + PathOf(i) + "]\n";
        for (const Value& value : key.values) {
            out += value.name.empty() ? std::string("@") : Quote(value.name);
            out += '=' + Quote(value.text) + '\n';
        }
        out += '\n';
    }
    return out;
}

std::optional<Hive> Hive::Parse(std::string_view text) {
    if (text.empty()) {
        return Hive();
    }
    if (text.size() > kMaxHiveBytes || text.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    if (text.starts_with(kUtf8Bom)) {
        text.remove_prefix(kUtf8Bom.size());
    }
    if (TrimBlanks(TakeLine(text)) != kFirstLine) {
        return std::nullopt;
    }
    Hive hive;
    std::optional<std::size_t> currentKey;
    while (!text.empty()) {
        const std::string_view line = TrimBlanks(TakeLine(text));
        if (line.empty() || line.front() == ';') {
            continue; // blank lines and comments
        }
        if (line.front() == '[') {
            const auto path = KeyPathOfHeader(line);
            currentKey = path ? hive.MakeKey(*path) : std::nullopt;
            if (!currentKey) {
                return std::nullopt;
            }
            continue;
        }
        const auto value = ParseValueLine(line);
        if (!value || !currentKey) {
            return std::nullopt;
        }
        hive.SetValue(*currentKey, value->name, value->text);
    }
    return hive;
}

} // namespace jostle
