// The key tree of a hive: keys by path below the root, each with named text
// values, plus its text form in the registry editor's export format. Quoted
// names and texts escape \ and " as that format does, and line breaks as \n
// and \r so that every value stays on one line; "@" names the unnamed value.
#pragma once

#include "settings/Text.h"

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace jostle {

// A file larger than this is refused as unparseable and a write that would
// make the file larger fails, so parsing and memory stay bounded.
inline constexpr std::size_t kMaxHiveBytes = 4 * 1024 * 1024;

class Hive {
public:
    struct Value {
        std::string name;
        std::string text;
    };

    // Non-empty segments without control characters, as registry key names.
    static bool IsValidKeyPath(std::string_view path);

    bool HasKey(std::string_view path) const;
    const std::string* Find(std::string_view path, std::string_view name) const;
    // Creates the key and any missing parents; existing keys keep their case.
    // False when the path is not a valid key path.
    bool CreateKey(std::string_view path);
    // Creates the key when missing; an existing value keeps its name's case.
    bool Set(std::string_view path, std::string_view name, std::string_view text);
    // Copies every key and value of other into this hive.
    void Merge(const Hive& other);
    bool Empty() const { return m_keys.empty(); }

    std::string Serialize() const;
    // nullopt when text is not a hive of ours.
    static std::optional<Hive> Parse(std::string_view text);

private:
    struct Key {
        std::string path; // below the root, segments joined by backslashes
        std::vector<Value> values;
        std::unordered_map<std::string, std::size_t> valueIndex; // folded name -> values[i]
    };

    Key* FindKey(std::string_view path);
    const Key* FindKey(std::string_view path) const;
    Key& AddKey(std::string path);

    std::vector<Key> m_keys;                                 // in the order they were created
    std::unordered_map<std::string, std::size_t> m_keyIndex; // folded path -> m_keys[i]
};

} // namespace jostle
