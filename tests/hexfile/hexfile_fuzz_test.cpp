// Random and mutated object files through the loader: every outcome must be one of the documented ones,
// nothing may crash, hang or touch memory outside what the records name.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "hexfile/hexfile.h"
#include "common/hex.h"

namespace vandor {
namespace {

constexpr int kFiles = 100000;

class Fuzzer {
public:
    explicit Fuzzer(uint32_t seed) : random_(seed) {}

    unsigned below(unsigned n) { return n ? static_cast<unsigned>(random_() % n) : 0; }

    std::string record(unsigned length, unsigned address, unsigned type) {
        std::string line = ":";
        unsigned sum = length + (address >> 8) + (address & 0xFF) + type;
        appendHex2(line, static_cast<uint8_t>(length));
        appendHex4(line, static_cast<uint16_t>(address));
        appendHex2(line, static_cast<uint8_t>(type));
        for (unsigned i = 0; i < length; ++i) {
            const auto byte = static_cast<uint8_t>(below(256));
            appendHex2(line, byte);
            sum += byte;
        }
        appendHex2(line, static_cast<uint8_t>(-sum & 0xFF));
        return line;
    }

    // A well-formed file, then a few mutations.
    std::string file() {
        std::vector<std::string> lines;
        const unsigned records = below(8);
        for (unsigned i = 0; i < records; ++i) {
            const unsigned length = below(4) == 0 ? below(256) : below(17);
            const unsigned address = below(3) == 0 ? 0xFFFF - below(20) : below(0x10000);
            const unsigned type = below(10) == 0 ? below(6) : 0;
            lines.push_back(record(length, address, type));
        }
        if (below(5) != 0) lines.push_back(":00000001FF");
        const unsigned mutations = below(4);
        for (unsigned i = 0; i < mutations && !lines.empty(); ++i) mutate(lines[below(static_cast<unsigned>(lines.size()))]);
        if (below(20) == 0) lines.insert(lines.begin() + below(static_cast<unsigned>(lines.size() + 1)), randomBytes());

        static const char* const kEnds[] = {"\r\n", "\n", "\r", "\n\r"};
        const char* end = kEnds[below(4)];
        std::string text;
        for (const std::string& line : lines) text += line + end;
        if (below(10) == 0 && !text.empty()) text.resize(below(static_cast<unsigned>(text.size())));  // cut short
        return text;
    }

private:
    std::string randomBytes() {
        std::string bytes(below(64), '\0');
        for (char& ch : bytes) ch = static_cast<char>(below(256));
        return bytes;
    }

    void mutate(std::string& line) {
        switch (below(8)) {
        case 0: line.resize(below(static_cast<unsigned>(line.size() + 1))); break;  // truncated
        case 1:
            if (!line.empty()) line.erase(below(static_cast<unsigned>(line.size())), 1);  // odd length
            break;
        case 2: line.insert(below(static_cast<unsigned>(line.size() + 1)), 1, static_cast<char>(below(256))); break;
        case 3:
            if (!line.empty()) line[below(static_cast<unsigned>(line.size()))] = static_cast<char>(below(256));
            break;
        case 4:
            if (line.size() > 3) line.replace(1, 2, "FF");  // huge length
            break;
        case 5:
            if (line.size() > 7) line.replace(3, 4, below(2) ? "FFFF" : "FFF8");  // past FFFF
            break;
        case 6: line.push_back('\0'); break;
        default: line = randomBytes(); break;
        }
    }

    std::mt19937 random_;
};

bool documented(const std::string& message, const std::string& path) {
    const std::string prefix = "Error en fichero " + path + ".\r";
    return message == "Error en lectura" || message == prefix + "Formato incorrecto." ||
           message == prefix + "No hay código de fin." || message == prefix + "Error de checksum.";
}

TEST(CargaFuzz, EveryOutcomeIsADocumentedOne) {
    Fuzzer fuzz(0x8085);
    Machine m;
    const auto path = std::filesystem::temp_directory_path() / "vandor_hexfile_fuzz.hex";
    const std::string pathText = path.string();
    int loaded = 0, failed = 0;
    for (int i = 0; i < kFiles; ++i) {
        const std::string text = fuzz.file();
        CollectingMessages messages;
        bool ok;
        if (i % 50 == 0) {  // some through a real file, always the same path
            std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
            ok = carga(m, pathText, messages);
        } else {
            ok = cargaText(m, text, pathText, messages);
        }
        if (ok) {
            ++loaded;
            ASSERT_TRUE(messages.messages.empty()) << i;
        } else {
            ++failed;
            ASSERT_EQ(messages.messages.size(), 1u) << i;
            ASSERT_TRUE(documented(messages.messages[0], pathText)) << i << ": " << messages.messages[0];
        }
        ASSERT_EQ(m.mem[0x10000], m.mem[0]) << i;
        ASSERT_EQ(m.mem[0x10001], m.mem[1]) << i;
    }
    std::filesystem::remove(path);
    // The generator must exercise both sides.
    EXPECT_GT(loaded, kFiles / 20);
    EXPECT_GT(failed, kFiles / 20);
}

}  // namespace
}  // namespace vandor
