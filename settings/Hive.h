// The key tree of a hive: keys by path below the root, each with named text
// values, plus its text form in the registry editor's export format. Quoted
// names and texts escape \ and " as that format does, and line breaks as \n
// and \r so that every value stays on one line; "@" names the unnamed value.
#pragma once

#include "base/Text.h"
#include "settings/HashIndex.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
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
    // Non-empty segments without control characters, as registry key names,
    // within the limits above.
    static bool IsValidKeyPath(std::string_view path);
    // Too long, too deep or with a name too long.
    static bool ExceedsLimits(std::string_view path);

    bool HasKey(std::string_view path) const;
    // Valid until the hive next changes.
    std::optional<std::string_view> Find(std::string_view path, std::string_view name) const;
    // Creates the key and any missing parents; existing keys keep their case.
    // False when the path is not a valid key path or the hive holds kMaxKeys.
    bool CreateKey(std::string_view path);
    // Creates the key when missing; an existing value keeps its name's case.
    bool Set(std::string_view path, std::string_view name, std::string_view text);
    // Copies every key and value of other into this hive; false when that
    // would take it past kMaxKeys (it then holds part of other).
    bool Merge(const Hive& other);
    // Every key and value of other is here, each value with the same text.
    bool Holds(const Hive& other) const;
    bool Empty() const { return m_keys.empty(); }

    // Keys that only lead to others are implied by them and not written, so
    // the text stays as long as the paths that were spelt out.
    std::string Serialize() const;
    std::size_t SerializedSize() const;
    // nullopt when text is not a hive of ours.
    static std::optional<Hive> Parse(std::string_view text);

private:
    static constexpr std::uint32_t kNoKey = UINT32_MAX; // the root, and the end of a value list

    // Names and texts lie in one buffer, m_strings, so that a tree of many
    // tiny values stays a small multiple of its file.
    struct Span {
        std::uint32_t offset = 0;
        std::uint32_t size = 0;
    };
    struct Key {
        Span name;
        std::uint32_t parent;
        std::uint32_t firstValue = kNoKey; // values in the order they were added
        std::uint32_t lastValue = kNoKey;
        bool hasChildren = false;
    };
    struct Value {
        std::uint32_t key;
        std::uint32_t next = kNoKey;
        Span name;
        Span text;
    };

    std::string_view View(Span span) const { return {m_strings.data() + span.offset, span.size}; }
    std::optional<Span> Keep(std::string_view text); // false past 4 GiB of text
    std::size_t KeyHash(std::uint32_t key) const;
    std::size_t ValueHash(std::uint32_t value) const;
    std::optional<std::uint32_t> Child(std::uint32_t parent, std::string_view name) const;
    std::optional<std::uint32_t> AddChild(std::uint32_t parent, std::string_view name);
    std::optional<std::uint32_t> FindKey(std::string_view path) const;
    std::optional<std::uint32_t> MakeKey(std::string_view path);
    std::optional<std::uint32_t> FindValue(std::uint32_t key, std::string_view name) const;
    bool SetValue(std::uint32_t key, std::string_view name, std::string_view text);
    template <typename Sink> void WriteText(Sink& sink) const;
    template <typename Sink> void WritePath(Sink& sink, std::uint32_t key) const;

    std::string m_strings;
    std::vector<Key> m_keys; // in the order they were created; parents first
    std::vector<Value> m_values;
    HashIndex m_keyIndex;   // by parent and folded name
    HashIndex m_valueIndex; // by key and folded name
};

} // namespace jostle
