// The key tree of a hive: keys by path below the root, each with named text
// values, plus its text form in the registry editor's export format. Quoted
// names and texts escape \ and " as that format does, and line breaks as \n
// and \r so that every value stays on one line; "@" names the unnamed value.
#pragma once

#include "base/Text.h"

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace jostle {

// A file larger than this is refused as unparseable and a write that would
// make the file larger fails, so parsing and memory stay bounded.
inline constexpr std::size_t kMaxHiveBytes = 4 * 1024 * 1024;
// The registry's own limits on the key tree (a name in bytes here), plus a
// path length and key count far beyond any real tree. A file beyond them is
// not a hive of ours.
inline constexpr std::size_t kMaxKeyNameBytes = 255;
inline constexpr std::size_t kMaxKeyDepth = 512;
inline constexpr std::size_t kMaxKeyPathBytes = 16 * 1024;
inline constexpr std::size_t kMaxKeys = 64 * 1024;

class Hive {
public:
    struct Value {
        std::string name;
        std::string text;
    };

    // Non-empty segments without control characters, as registry key names,
    // within the limits above.
    static bool IsValidKeyPath(std::string_view path);
    // Too long, too deep or with a name too long.
    static bool ExceedsLimits(std::string_view path);

    bool HasKey(std::string_view path) const;
    const std::string* Find(std::string_view path, std::string_view name) const;
    // Creates the key and any missing parents; existing keys keep their case.
    // False when the path is not a valid key path or the hive holds kMaxKeys.
    bool CreateKey(std::string_view path);
    // Creates the key when missing; an existing value keeps its name's case.
    bool Set(std::string_view path, std::string_view name, std::string_view text);
    // Copies every key and value of other into this hive; false when that
    // would take it past kMaxKeys (it then holds part of other).
    bool Merge(const Hive& other);
    bool Empty() const { return m_keys.empty(); }

    // Keys that only lead to others are implied by them and not written, so
    // the text stays as long as the paths that were spelt out.
    std::string Serialize() const;
    // nullopt when text is not a hive of ours.
    static std::optional<Hive> Parse(std::string_view text);

private:
    static constexpr std::size_t kNoKey = static_cast<std::size_t>(-1); // the root
    using Children = std::unordered_map<std::string, std::size_t>;      // folded name -> m_keys[i]

    // A key holds its own name only, so memory stays linear in the paths.
    struct Key {
        std::string name;
        std::size_t parent;
        std::vector<Value> values;
        std::unordered_map<std::string, std::size_t> valueIndex; // folded name -> values[i]
        Children children;
    };

    const Children& ChildrenOf(std::size_t key) const;
    Children& ChildrenOf(std::size_t key);
    std::optional<std::size_t> Child(std::size_t parent, std::string_view name) const;
    std::size_t AddChild(std::size_t parent, std::string_view name);
    std::optional<std::size_t> FindKey(std::string_view path) const;
    std::optional<std::size_t> MakeKey(std::string_view path);
    void SetValue(std::size_t key, std::string_view name, std::string_view text);
    std::string PathOf(std::size_t key) const;

    std::vector<Key> m_keys; // in the order they were created; parents first
    Children m_topKeys;
};

} // namespace jostle
