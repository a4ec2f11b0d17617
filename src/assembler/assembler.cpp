#include "assembler/assembler.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "assembler/driver.h"
#include "assembler/listing.h"
#include "common/atomic_file.h"

namespace vandor {
namespace {

constexpr std::string_view kMsgErrorCreando = "Error creando fichero";
constexpr std::string_view kMsgErrorLectura = "Error en lectura";

// Error reports of one run are written while their text (listing and log together) fits in this size.
// A name defined n times is reported n(n-1)/2 times, and each report repeats its raw line, so a file of
// thousands of equal labels or a 1 MB line of empty DFB items would otherwise produce gigabytes. No real
// program comes near it. The first report is always written; the ones after the budget is spent are
// counted, and the pass ends with a line that says how many.
constexpr size_t kReportBudget = size_t{32} << 20;
constexpr std::string_view kEllipsis = "…";

// The first `size` bytes of a raw line, not cutting a UTF-8 character in two.
std::string_view cutLine(std::string_view raw, size_t size) {
    if (raw.size() <= size) return raw;
    while (size > 0 && (static_cast<unsigned char>(raw[size]) & 0xC0) == 0x80) --size;
    return raw.substr(0, size);
}

// The three passes over the statements of one run. Each pass empties filelst and lists its own form;
// errors go through msgerr the moment they are found, so each stands where its pass put it.
class Passes {
public:
    Passes(AssemblyRun& run, TextSink& filelst, TextSink& filehex)
        : run_(run), st_(run.source.statements), raw_(run.source.rawLines), filelst_(filelst), filehex_(filehex) {}

    bool first(const EncodingTable& table) {
        beginPass(1);
        for (size_t i = 0; i < st_.size(); ++i) {
            listPlain(i);
            const SplitErrors errors = splitStatement(st_[i], table);
            for (int e = 0; e < errors.count; ++e) msgerr(i, errors.messages[e]);
        }
        return endPass();
    }

    bool second(const EncodingTable& table) {
        beginPass(2);
        for (size_t i = 0; i < st_.size(); ++i) {
            listPlain(i);
            Statement& s = st_[i];
            if (i > 0) s.address = st_[i - 1].address + st_[i - 1].size;
            s.size = 0;
            if (s.code >= 0) {
                s.size = table.size(s.code);
            } else if (s.code == kCodeDfb || s.code == kCodeDfw) {
                // One item per comma-separated part of the operand.
                const int64_t items = 1 + static_cast<int64_t>(std::count(s.operand.begin(), s.operand.end(), ','));
                s.size = s.code == kCodeDfb ? items : 2 * items;
            } else if (s.code == kCodeOrg) {
                s.address = cmpnum(s.operand, true);
                if (s.address < 0) msgerr(i, kMsgDireccion);
            }
            if (!s.label.empty()) defineLabel(i);
        }
        return endPass();
    }

    bool third(const EncodingTable& table) {
        beginPass(3);
        std::string item;
        for (size_t i = 0; i < st_.size(); ++i) {
            Statement& s = st_[i];
            s.object.clear();
            if (s.code >= 0) {
                s.object.push_back(static_cast<char>(table.opcode(s.code)));
                const int size = table.size(s.code);
                if (size >= 2) {
                    item = s.operand;
                    addValue(i, sacaoperando(item, size == 3, run_.symbols), size == 3);
                }
            } else if (s.code == kCodeDfb || s.code == kCodeDfw) {
                addItems(i, s.code == kCodeDfw, item);
            }
            // Nothing is placed beyond the last address of memory: such a statement fails the run.
            if (!s.object.empty() && s.address + static_cast<int64_t>(s.object.size()) - 1 > 0xFFFF)
                msgerr(i, kMsgDireccion);
            line_.clear();
            if (i > 0)
                for (int32_t r = st_[i - 1].line + 1; r < s.line; ++r) appendRawLine(line_, raw_[r], true);
            appendThirdPassStatement(line_, s.address, s.object, raw_[s.line]);
            list(line_);
        }
        line_.clear();
        appendSymbolHeading(line_);
        list(line_);
        for (const SymbolTable::Entry& entry : run_.symbols.entries()) {
            line_.clear();
            appendSymbolLine(line_, entry);
            list(line_);
        }
        return endPass();
    }

    void buildImage() {
        run_.image = std::make_unique<CodeImage>();
        CodeImage& image = *run_.image;
        image.fill(-1);
        for (const Statement& s : st_)
            for (size_t j = 0; j < s.object.size(); ++j) {
                const int64_t a = s.address + static_cast<int64_t>(j);
                if (a >= 0 && a <= 0xFFFF) image[static_cast<size_t>(a)] = static_cast<uint8_t>(s.object[j]);
            }
    }

private:
    void beginPass(int pass) {
        run_.lastPass = pass;
        filelst_.clear();
        lstLines_ = 0;
    }

    // The last line of a pass whose reports did not all fit, in the listing and in the log.
    bool endPass() {
        if (leftOut_ > 0) {
            run_.errorsLeftOut = leftOut_;
            line_.assign("Errores no mostrados: ").append(std::to_string(leftOut_)).append(kCrLf);
            list(line_);
            filehex_.append(line_);
        }
        return !error_;
    }

    // First- and second-pass form: the blank and comment lines since the previous statement, then the
    // statement's raw line.
    void listPlain(size_t i) {
        line_.clear();
        const int32_t from = i > 0 ? st_[i - 1].line + 1 : st_[i].line;
        for (int32_t r = from; r <= st_[i].line; ++r) appendRawLine(line_, raw_[r], false);
        list(line_);
    }

    // Every earlier entry of the same name is reported; the new entry is appended all the same. An EQU
    // label takes the EQU's value instead of the location counter.
    void defineLabel(size_t i) {
        const Statement& s = st_[i];
        const int64_t value = s.code == kCodeEqu ? cmpnum(s.operand, true) : s.address;
        const int earlier = run_.symbols.add(s.label, value);
        for (int k = 0; k < earlier; ++k) {
            if (!msgerr(i, kMsgDuplicada)) {
                leftOut_ += earlier - k - 1;  // the rest would not fit either
                break;
            }
        }
        if (value < 0 && s.code == kCodeEqu) msgerr(i, kMsgDireccion);
    }

    // The bytes of a value: the low byte, and with two bytes the high byte. A rejected value is still
    // laid out from its negative number (-1 gives FF 00).
    void addValue(size_t i, int32_t v, bool twoBytes) {
        if (v < 0) msgerr(i, kMsgOperando);
        st_[i].object.push_back(static_cast<char>(v & 0xFF));
        if (twoBytes) st_[i].object.push_back(static_cast<char>((v / 256) & 0xFF));
    }

    void addItems(size_t i, bool words, std::string& item) {
        const std::string_view operand = st_[i].operand;
        size_t pos = 0;
        for (;;) {
            const size_t comma = operand.find(',', pos);
            item.assign(operand.substr(pos, comma == std::string_view::npos ? std::string_view::npos : comma - pos));
            addValue(i, sacaoperando(item, words, run_.symbols), words);
            if (comma == std::string_view::npos) break;
            pos = comma + 1;
        }
    }

    // Returns false when the report did not fit in the budget and was only counted.
    bool msgerr(size_t i, std::string_view cad) {
        error_ = true;
        std::string_view raw = raw_[st_[i].line];
        const size_t fixed = 2 * cad.size() + 48;
        bool cut = false;
        if (leftOut_ > 0 || reportBytes_ + fixed + raw.size() > kReportBudget) {
            if (run_.errorCount > 0) {
                ++leftOut_;
                return false;
            }
            raw = cutLine(raw, kReportBudget - fixed - kEllipsis.size());
            cut = true;
        }
        reportBytes_ += fixed + raw.size();
        ++run_.errorCount;
        run_.errors.push_back({st_[i].line, std::string(cad), lstLines_, logLines_});
        std::string text;
        text.append("==> ERROR: ").append(ownText(cad)).append(kCrLf);
        list(text);
        text.clear();
        text.append("==>").append(raw).append(cut ? ownText(kEllipsis) : std::string()).append(kCrLf);
        filehex_.append(text);
        text.clear();
        text.append(ownText("Línea: ")).append(std::to_string(static_cast<int64_t>(st_[i].line) + 1));
        text.append(" - ERROR: ").append(ownText(cad)).append(kCrLf);
        filehex_.append(text);
        logLines_ += 2;
        return true;
    }

    // The program's own texts go into the listing and the log in the encoding of the source lines beside
    // them.
    std::string ownText(std::string_view utf8) const {
        if (run_.encoding != TextEncoding::Windows1252) return std::string(utf8);
        return fromUtf8(utf8, run_.encoding).value_or(std::string(utf8));
    }

    // Every text of the listing passes here, so that the lines written so far are counted.
    void list(std::string_view text) {
        filelst_.append(text);
        lstLines_ += static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
    }

    AssemblyRun& run_;
    std::vector<Statement>& st_;
    const std::vector<std::string_view>& raw_;
    TextSink& filelst_;
    TextSink& filehex_;
    bool error_ = false;
    size_t reportBytes_ = 0;
    size_t lstLines_ = 0;  // lines of the listing since the pass began
    size_t logLines_ = 0;  // lines of the error log
    int64_t leftOut_ = 0;  // reports counted but not written
    std::string line_;
};

bool readWhole(const std::string& path, std::string& bytes) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0) return false;
    in.seekg(0, std::ios::beg);
    bytes.resize(static_cast<size_t>(size));
    in.read(bytes.data(), size);
    // A file that changed size while read keeps what could be read.
    bytes.resize(static_cast<size_t>(in.gcount()));
    return !in.bad();
}

}  // namespace

bool assembleSource(std::string_view bytes, TextSink& filelst, TextSink& filehex, MessageSink& messages,
                    AssemblyRun& run) {
    EncodingTable table;
    table.creatabla(messages);
    run.encoding = detectEncoding(bytes);
    filelst.setEncoding(run.encoding);
    filehex.setEncoding(run.encoding);
    run.errors.clear();
    run.source = readSource(bytes);
    run.symbols.clear();
    run.image.reset();
    run.lastPass = 0;
    run.errorCount = 0;
    run.errorsLeftOut = 0;
    Passes passes(run, filelst, filehex);
    if (!passes.first(table) || !passes.second(table) || !passes.third(table)) return false;
    passes.buildImage();
    return true;
}

AssemblyPaths assemblyPaths(const std::string& sourcePath) {
    AssemblyPaths paths;
    paths.source = sourcePath;
    std::string tail = sourcePath.size() >= 3 ? sourcePath.substr(sourcePath.size() - 3) : sourcePath;
    for (char& ch : tail)
        if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
    if (tail == "ASM") {
        const std::string stem = sourcePath.substr(0, sourcePath.size() - 3);
        paths.object = stem + "HEX";
        paths.listing = stem + "LST";
    } else {
        paths.object = sourcePath + ".HEX";
        paths.listing = sourcePath + ".LST";
    }
    return paths;
}

bool Ensambla(const std::string& sourcePath, const std::string& objectPath, TextSink& filelst, TextSink& filehex,
              MessageSink& messages, AssemblyReport* report) {
    filelst.clear();
    filehex.clear();
    if (report) *report = {};
    std::string bytes;
    if (!readWhole(sourcePath, bytes)) {
        messages.message(std::string(kMsgErrorLectura));
        return false;
    }
    AssemblyRun run;
    const bool assembled = assembleSource(bytes, filelst, filehex, messages, run);
    if (report) {
        report->encoding = run.encoding;
        report->errors = std::move(run.errors);
    }
    return assembled && creafilehex(*run.image, objectPath, filehex, messages);
}

bool creafilelst(const std::string& listingText, const std::string& listingPath, MessageSink& messages) {
    if (writeFileReplacing(listingPath, {listingText, kCrLf})) return true;
    messages.message(std::string(kMsgErrorCreando));
    return false;
}

}  // namespace vandor
