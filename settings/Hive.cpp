#include "settings/Hive.h"

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

bool Hive::IsValidKeyPath(std::string_view path) {
    if (path.empty() || path.front() == '\\' || path.back() == '\\' ||
        path.find("\\\\") != std::string_view::npos) {
        return false;
    }
    for (char c : path) {
        if (IsControl(c)) {
            return false;
        }
    }
    return true;
}

Hive::Key* Hive::FindKey(std::string_view path) {
    const auto found = m_keyIndex.find(FoldCase(path));
    return found == m_keyIndex.end() ? nullptr : &m_keys[found->second];
}

const Hive::Key* Hive::FindKey(std::string_view path) const {
    const auto found = m_keyIndex.find(FoldCase(path));
    return found == m_keyIndex.end() ? nullptr : &m_keys[found->second];
}

Hive::Key& Hive::AddKey(std::string path) {
    m_keyIndex.emplace(FoldCase(path), m_keys.size());
    return m_keys.emplace_back(Key{std::move(path), {}, {}});
}

bool Hive::HasKey(std::string_view path) const {
    return FindKey(path) != nullptr;
}

const std::string* Hive::Find(std::string_view path, std::string_view name) const {
    const Key* key = FindKey(path);
    if (key == nullptr) {
        return nullptr;
    }
    const auto found = key->valueIndex.find(FoldCase(name));
    return found == key->valueIndex.end() ? nullptr : &key->values[found->second].text;
}

bool Hive::CreateKey(std::string_view path) {
    if (!IsValidKeyPath(path)) {
        return false;
    }
    std::string existingCase; // the path so far, spelt as the keys that exist
    for (std::size_t end = path.find('\\');; end = path.find('\\', end + 1)) {
        const std::string_view prefix = path.substr(0, end);
        if (const Key* key = FindKey(prefix)) {
            existingCase = key->path;
        } else {
            const std::string_view segment = prefix.substr(prefix.rfind('\\') + 1);
            if (!existingCase.empty()) {
                existingCase += '\\';
            }
            existingCase.append(segment);
            AddKey(existingCase);
        }
        if (end == std::string_view::npos) {
            break;
        }
    }
    return true;
}

bool Hive::Set(std::string_view path, std::string_view name, std::string_view text) {
    Key* key = FindKey(path);
    if (key == nullptr) {
        if (!CreateKey(path)) {
            return false;
        }
        key = FindKey(path);
    }
    const auto [slot, added] = key->valueIndex.try_emplace(FoldCase(name), key->values.size());
    if (added) {
        key->values.push_back(Value{std::string(name), std::string(text)});
    } else {
        key->values[slot->second].text = text;
    }
    return true;
}

void Hive::Merge(const Hive& other) {
    for (const Key& key : other.m_keys) {
        CreateKey(key.path);
        for (const Value& value : key.values) {
            Set(key.path, value.name, value.text);
        }
    }
}

std::string Hive::Serialize() const {
    std::string out = std::string(kFirstLine) + "\n\n";
    for (const Key& key : m_keys) {
        out += '[' + std::string(kRootPrefix) + key.path + "]\n";
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
    std::string currentKey;
    while (!text.empty()) {
        const std::string_view line = TrimBlanks(TakeLine(text));
        if (line.empty() || line.front() == ';') {
            continue; // blank lines and comments
        }
        if (line.front() == '[') {
            const auto path = KeyPathOfHeader(line);
            if (!path || !hive.CreateKey(*path)) {
                return std::nullopt;
            }
            currentKey = *path;
            continue;
        }
        const auto value = ParseValueLine(line);
        if (!value || currentKey.empty()) {
            return std::nullopt;
        }
        hive.Set(currentKey, value->name, value->text);
    }
    return hive;
}

} // namespace jostle
