#include "settings/Hive.h"

#include <algorithm>
#include <climits>

namespace jostle {

namespace {

constexpr std::string_view kFirstLine = "Windows Registry Editor Version 5.00";
constexpr std::string_view kRootPrefix = "HKEY_LOCAL_MACHINE\\";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::size_t kShortestValueLine = sizeof("@=\"\"") - 1;

bool IsControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7f;
}

// Line breaks are escaped too, so that every value stays on one line.
std::string_view Escaped(char c) {
    switch (c) {
    case '\\':
        return "\\\\";
    case '"':
        return "\\\"";
    case '\n':
        return "\\n";
    case '\r':
        return "\\r";
    default:
        return {};
    }
}

// Where the text form goes: first only counted, so that it is then made at
// its exact size.
struct SizeSink {
    std::size_t size = 0;
    void Put(std::string_view text) { size += text.size(); }
    void Put(char) { ++size; }
};

struct StringSink {
    std::string& out;
    void Put(std::string_view text) { out.append(text); }
    void Put(char c) { out.push_back(c); }
};

template <typename Sink> void PutQuoted(Sink& sink, std::string_view text) {
    sink.Put('"');
    for (char c : text) {
        const std::string_view escaped = Escaped(c);
        if (escaped.empty()) {
            sink.Put(c);
        } else {
            sink.Put(escaped);
        }
    }
    sink.Put('"');
}

// FNV-1a over the scope's number and the folded name.
std::size_t FoldedHash(std::uint32_t scope, std::string_view name) {
    std::uint64_t hash = 14695981039346656037ULL;
    const auto mix = [&hash](unsigned char byte) { hash = (hash ^ byte) * 1099511628211ULL; };
    for (int shift = 0; shift < 32; shift += 8) {
        mix(static_cast<unsigned char>(scope >> shift));
    }
    for (const char c : name) {
        mix(static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c));
    }
    return static_cast<std::size_t>(hash);
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

struct ParsedValue {
    std::string name;
    std::string text;
};

std::optional<ParsedValue> ParseValueLine(std::string_view line) {
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
    return ParsedValue{std::move(*name), std::move(*text)};
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

std::optional<Hive::Span> Hive::Keep(std::string_view text) {
    if (text.size() > UINT32_MAX - m_strings.size()) {
        return std::nullopt;
    }
    const Span span{static_cast<std::uint32_t>(m_strings.size()),
                    static_cast<std::uint32_t>(text.size())};
    m_strings.append(text);
    return span;
}

std::size_t Hive::KeyHash(std::uint32_t key) const {
    return FoldedHash(m_keys[key].parent, View(m_keys[key].name));
}

std::size_t Hive::ValueHash(std::uint32_t value) const {
    return FoldedHash(m_values[value].key, View(m_values[value].name));
}

std::optional<std::uint32_t> Hive::Child(std::uint32_t parent, std::string_view name) const {
    return m_keyIndex.Find(FoldedHash(parent, name), [&](std::uint32_t key) {
        return m_keys[key].parent == parent && EqualsNoCase(View(m_keys[key].name), name);
    });
}

std::optional<std::uint32_t> Hive::AddChild(std::uint32_t parent, std::string_view name) {
    const auto kept = m_keys.size() < kMaxKeys ? Keep(name) : std::nullopt;
    if (!kept) {
        return std::nullopt;
    }
    const auto key = static_cast<std::uint32_t>(m_keys.size());
    m_keys.push_back(Key{*kept, parent});
    if (parent != kNoKey) {
        m_keys[parent].hasChildren = true;
    }
    m_keyIndex.Add(key, KeyHash(key), [this](std::uint32_t other) { return KeyHash(other); });
    return key;
}

std::optional<std::uint32_t> Hive::FindKey(std::string_view path) const {
    std::optional<std::uint32_t> key;
    for (const std::string_view segment : Segments(path)) {
        key = Child(key.value_or(kNoKey), segment);
        if (!key) {
            break;
        }
    }
    return key;
}

std::optional<std::uint32_t> Hive::MakeKey(std::string_view path) {
    if (!IsValidKeyPath(path)) {
        return std::nullopt;
    }
    const auto segments = Segments(path);
    std::optional<std::uint32_t> key = kNoKey;
    std::size_t depth = 0;
    for (; depth < segments.size(); ++depth) {
        const auto child = Child(*key, segments[depth]);
        if (!child) {
            break;
        }
        key = child;
    }
    if (m_keys.size() + (segments.size() - depth) > kMaxKeys) {
        return std::nullopt;
    }
    for (; key && depth < segments.size(); ++depth) {
        key = AddChild(*key, segments[depth]);
    }
    return key;
}

std::optional<std::uint32_t> Hive::FindValue(std::uint32_t key, std::string_view name) const {
    return m_valueIndex.Find(FoldedHash(key, name), [&](std::uint32_t value) {
        return m_values[value].key == key && EqualsNoCase(View(m_values[value].name), name);
    });
}

bool Hive::HasKey(std::string_view path) const {
    return FindKey(path).has_value();
}

std::optional<std::string_view> Hive::Find(std::string_view path, std::string_view name) const {
    const auto key = FindKey(path);
    const auto value = key ? FindValue(*key, name) : std::nullopt;
    return value ? std::optional(View(m_values[*value].text)) : std::nullopt;
}

bool Hive::CreateKey(std::string_view path) {
    return MakeKey(path).has_value();
}

bool Hive::SetValue(std::uint32_t key, std::string_view name, std::string_view text) {
    if (const auto existing = FindValue(key, name)) {
        Span& stored = m_values[*existing].text;
        if (text.size() <= stored.size) { // no room taken for nothing
            m_strings.replace(stored.offset, text.size(), text);
            stored.size = static_cast<std::uint32_t>(text.size());
            return true;
        }
        const auto kept = Keep(text);
        stored = kept.value_or(stored);
        return kept.has_value();
    }
    const auto keptName = Keep(name);
    const auto keptText = Keep(text);
    if (!keptName || !keptText || m_values.size() >= kNoKey) {
        return false;
    }
    const auto value = static_cast<std::uint32_t>(m_values.size());
    m_values.push_back(Value{key, kNoKey, *keptName, *keptText});
    Key& owner = m_keys[key];
    (owner.lastValue == kNoKey ? owner.firstValue : m_values[owner.lastValue].next) = value;
    owner.lastValue = value;
    m_valueIndex.Add(value, ValueHash(value),
                     [this](std::uint32_t other) { return ValueHash(other); });
    return true;
}

bool Hive::Set(std::string_view path, std::string_view name, std::string_view text) {
    auto key = FindKey(path);
    if (!key) {
        key = MakeKey(path);
    }
    return key && SetValue(*key, name, text);
}

bool Hive::Merge(const Hive& other) {
    std::vector<std::uint32_t> merged(other.m_keys.size()); // other's key -> ours
    for (std::size_t i = 0; i < other.m_keys.size(); ++i) {
        const Key& key = other.m_keys[i];
        const std::uint32_t parent = key.parent == kNoKey ? kNoKey : merged[key.parent];
        auto ours = Child(parent, other.View(key.name));
        if (!ours) {
            ours = AddChild(parent, other.View(key.name));
        }
        if (!ours) {
            return false;
        }
        merged[i] = *ours;
        for (std::uint32_t value = key.firstValue; value != kNoKey;
             value = other.m_values[value].next) {
            const Value& copied = other.m_values[value];
            if (!SetValue(*ours, other.View(copied.name), other.View(copied.text))) {
                return false;
            }
        }
    }
    return true;
}

bool Hive::Holds(const Hive& other) const {
    std::vector<std::uint32_t> matched(other.m_keys.size()); // other's key -> ours
    for (std::size_t i = 0; i < other.m_keys.size(); ++i) {
        const Key& key = other.m_keys[i];
        const std::uint32_t parent = key.parent == kNoKey ? kNoKey : matched[key.parent];
        const auto ours = Child(parent, other.View(key.name));
        if (!ours) {
            return false;
        }
        matched[i] = *ours;
        for (std::uint32_t value = key.firstValue; value != kNoKey;
             value = other.m_values[value].next) {
            const Value& wanted = other.m_values[value];
            const auto found = FindValue(*ours, other.View(wanted.name));
            if (!found || View(m_values[*found].text) != other.View(wanted.text)) {
                return false;
            }
        }
    }
    return true;
}

template <typename Sink> void Hive::WritePath(Sink& sink, std::uint32_t key) const {
    std::vector<std::uint32_t> line; // the key and its parents, the key first
    for (; key != kNoKey; key = m_keys[key].parent) {
        line.push_back(key);
    }
    for (auto segment = line.rbegin(); segment != line.rend(); ++segment) {
        if (segment != line.rbegin()) {
            sink.Put('\\');
        }
        sink.Put(View(m_keys[*segment].name));
    }
}

template <typename Sink> void Hive::WriteText(Sink& sink) const {
    sink.Put(kFirstLine);
    sink.Put("\n\n");
    for (std::uint32_t key = 0; key < m_keys.size(); ++key) {
        if (m_keys[key].firstValue == kNoKey && m_keys[key].hasChildren) {
            continue; // implied by its children
        }
        sink.Put('[');
        sink.Put(kRootPrefix);
        WritePath(sink, key);
        sink.Put("]\n");
        for (std::uint32_t value = m_keys[key].firstValue; value != kNoKey;
             value = m_values[value].next) {
            if (m_values[value].name.size == 0) {
                sink.Put('@');
            } else {
                PutQuoted(sink, View(m_values[value].name));
            }
            sink.Put('=');
            PutQuoted(sink, View(m_values[value].text));
            sink.Put('\n');
        }
        sink.Put('\n');
    }
}

std::size_t Hive::SerializedSize() const {
    SizeSink counter;
    WriteText(counter);
    return counter.size;
}

std::string Hive::Serialize() const {
    std::string out;
    out.reserve(SerializedSize());
    StringSink sink{out};
    WriteText(sink);
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
    // Room for as many values as there are lines, and for all the text:
    // then nothing is copied while the tree grows. What goes unused is never
    // touched, so it takes no memory.
    const auto lines = static_cast<std::size_t>(std::ranges::count(text, '\n')) + 1;
    hive.m_values.reserve(std::min(lines, text.size() / kShortestValueLine + 1));
    hive.m_strings.reserve(text.size());
    std::optional<std::uint32_t> currentKey;
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
        if (!value || !currentKey || !hive.SetValue(*currentKey, value->name, value->text)) {
            return std::nullopt;
        }
    }
    return hive;
}

} // namespace jostle
