// The settings store on a real file, driven by the input: an optional first
// file, then a sequence of writes, batch starts and ends, and reads. A read
// gives what was last written (or the default when that is 260 bytes or
// more), a file that parses is never set aside and keeps its values, every
// file the store writes parses, and a new store reads back what was landed.
#include "base/Text.h"
#include "settings/Hive.h"
#include "settings/SettingsStore.h"
#include "tests/fuzz/FuzzSupport.h"

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace jostle::fuzz {
namespace {

constexpr std::size_t kMaxBatchDepth = 4;

const ScratchFolder g_scratch;

// Takes the steps' bytes off the input; past its end, zeros.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    bool Done() const { return m_next >= m_size; }
    std::uint8_t Byte() { return Done() ? 0 : m_data[m_next++]; }
    // A length byte, then that many bytes; a length with its top bit set
    // counts eights, so that long texts stay within reach.
    std::string Text() {
        const std::uint8_t length = Byte();
        std::size_t count = (length & 0x80) != 0 ? (length & 0x7f) * 8U : length;
        count = std::min(count, m_size - std::min(m_next, m_size));
        std::string text(reinterpret_cast<const char*>(m_data + m_next), count);
        m_next += count;
        return text;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_next = 0;
};

struct Written {
    std::string section, name, text;
};

// What the store must hold, by folded section and name, as it cuts names and
// texts at a zero byte.
class Model {
public:
    static std::string KeyOf(const std::string& section, const std::string& name) {
        return jostle::FoldCase(std::string(kKeyPath) + '\\' + section.c_str()) + '\0' +
               jostle::FoldCase(name.c_str());
    }
    void Write(const std::string& section, const std::string& name, const std::string& text,
               bool inBatch) {
        (inBatch ? m_pending : m_landed)[KeyOf(section, name)] = {section, name, text.c_str()};
    }
    void EndBatch(bool landed) {
        if (landed) {
            for (auto& [key, written] : m_pending) {
                m_landed[key] = written;
            }
        }
        m_pending.clear();
    }
    const Written* Find(const std::string& section, const std::string& name) const {
        const std::string key = KeyOf(section, name);
        for (const auto* values : {&m_pending, &m_landed}) {
            if (const auto found = values->find(key); found != values->end()) {
                return &found->second;
            }
        }
        return nullptr;
    }
    const std::map<std::string, Written>& Landed() const { return m_landed; }

private:
    std::map<std::string, Written> m_landed;
    std::map<std::string, Written> m_pending;
};

// An hour-old file: the store trusts its time stamp, as it would a user's.
void WriteOldFile(const std::filesystem::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
    const timespec hourAgo{std::time(nullptr) - 3600, 0};
    const timespec times[2] = {hourAgo, hourAgo};
    ::utimensat(AT_FDCWD, file.c_str(), times, 0);
}

class Run {
public:
    Run(const std::filesystem::path& folder, std::optional<std::string> firstFile)
        : m_folder(folder), m_file(folder / "settings.reg"), m_store(m_file) {
        if (firstFile) {
            WriteOldFile(m_file, *firstFile);
            m_first = jostle::Hive::Parse(*firstFile);
            m_firstBad = !m_first;
        }
        m_complete = !m_first; // no values of the file's own to read
        jostle::SettingsKey key;
        m_store.Open(jostle::kRootKeyName, kKeyPath, &key, nullptr);
    }

    void Step(Input& input) {
        const int kind = input.Byte() % 5;
        if (kind == 2) {
            BeginBatch();
        } else if (kind == 3) {
            EndBatch();
        } else {
            NamedStep(kind, input);
        }
        CheckFiles();
    }

    void Finish() {
        while (!m_batches.empty()) {
            EndBatch();
        }
        CheckFiles();
        CheckFileKeptFirstValues();
        CheckNewStoreReadsLanded();
    }

private:
    // Taken one after the other, as the order of a call's arguments is not.
    void NamedStep(int kind, Input& input) {
        const std::string section = input.Text();
        const std::string name = input.Text();
        if (kind == 0) {
            Write(section, name, input.Text());
        } else if (kind == 1) {
            WriteInt(section, name, input);
        } else {
            CheckRead(section, name);
        }
    }

    void BeginBatch() {
        if (m_batches.size() < kMaxBatchDepth) {
            m_batches.push_back(std::make_unique<jostle::CSettingsStore::Batch>(m_store));
        }
    }

    void Write(const std::string& section, const std::string& name, const std::string& text) {
        if (m_store.WriteString(section, name, text)) {
            m_model.Write(section, name, text, !m_batches.empty());
        }
    }

    void WriteInt(const std::string& section, const std::string& name, Input& input) {
        int value = 0;
        for (int i = 0; i < 4; ++i) {
            value = static_cast<int>(static_cast<unsigned>(value) << 8 | input.Byte());
        }
        if (m_store.WriteInt(section, name, value)) {
            m_model.Write(section, name, std::to_string(value), !m_batches.empty());
            Require(m_store.ReadInt(section, name, 0) == value);
        }
    }

    void EndBatch() {
        if (m_batches.empty()) {
            return;
        }
        const bool outermost = m_batches.size() == 1;
        const bool landed = m_batches.back()->Commit();
        m_batches.pop_back();
        if (outermost) {
            m_model.EndBatch(landed);
        }
    }

    void CheckRead(const std::string& section, const std::string& name) {
        const std::string read = m_store.ReadString(section, name, kDefault);
        const Written* written = m_model.Find(section, name);
        if (written != nullptr) {
            Require(read == (written->text.size() <= kReadableBytes ? written->text : kDefault));
        } else if (m_complete) {
            Require(read == kDefault);
        }
    }

    // The file, when there is one, parses; nothing but it and its lock lie
    // in the folder, plus the first file set aside when it did not parse.
    void CheckFiles() {
        if (const auto text = FileText(m_file)) {
            Require(jostle::Hive::Parse(*text).has_value());
        }
        for (const auto& entry : std::filesystem::directory_iterator(m_folder)) {
            const std::string name = entry.path().filename().string();
            const bool setAside = name.starts_with("settings.reg.bad-");
            Require(name == "settings.reg" || name == "settings.reg.lock" ||
                    (setAside && m_firstBad));
        }
    }

    // Every key and value of a first file that parsed is still there, unless
    // a write replaced the value: merged into the file's hive, they add
    // nothing.
    void CheckFileKeptFirstValues() const {
        const auto text = FileText(m_file);
        if (!m_first || !text) {
            return;
        }
        const auto now = jostle::Hive::Parse(*text);
        jostle::Hive first = *m_first;
        first.Merge(*now);
        Require(first.Serialize() == now->Serialize());
    }

    void CheckNewStoreReadsLanded() {
        jostle::CSettingsStore again(m_file);
        jostle::SettingsKey key;
        Require(again.Open(jostle::kRootKeyName, kKeyPath, &key, nullptr) ||
                m_model.Landed().empty());
        for (const auto& [folded, written] : m_model.Landed()) {
            const std::string read = again.ReadString(written.section, written.name, kDefault);
            Require(read == (written.text.size() <= kReadableBytes ? written.text : kDefault));
        }
    }

    std::filesystem::path m_folder;
    std::filesystem::path m_file;
    jostle::CSettingsStore m_store;
    std::optional<jostle::Hive> m_first; // the first file's hive, when it parsed
    bool m_firstBad = false;
    bool m_complete = true; // the model knows every value
    Model m_model;
    std::vector<std::unique_ptr<jostle::CSettingsStore::Batch>> m_batches;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input input(data, size);
    std::optional<std::string> firstFile;
    if ((input.Byte() & 1) != 0) {
        firstFile = input.Text();
    }
    Run run(g_scratch.Emptied(), firstFile);
    while (!input.Done()) {
        run.Step(input);
    }
    run.Finish();
    return 0;
}

} // namespace jostle::fuzz
