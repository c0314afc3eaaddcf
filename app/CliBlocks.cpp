#include "CliBlocks.h"

#include "CliSession.h"
#include "OutputFiles.h"
#include "ProgramOptions.h"
#include "console/BlockOperations.h"
#include "console/FormatText.h"
#include "console/HexText.h"

#include <QByteArray>
#include <algorithm>
#include <fstream>
#include <iterator>

namespace quillon::app {

namespace {

using console::BlockOperations;
using drive::TMODrive;

// The sector editor on a terminal. Its grid is the block as bytes; opening
// it prints the block, or, in a write mode, puts the file's bytes in and
// presses WRITE once.
class TerminalBlockEditor : public console::BlockEditor {
public:
    TerminalBlockEditor(std::ostream& out, std::int32_t lba, std::vector<std::uint8_t> toWrite,
                        std::string fileName)
        : out_(out), lba_(lba), toWrite_(std::move(toWrite)), fileName_(std::move(fileName)) {}

    void Attach(BlockOperations& operations) { operations_ = &operations; }
    bool Written() const { return written_; }

    void BufferToGrid(std::int32_t Size, const std::uint8_t* Buffer) override {
        grid_.assign(Buffer, Buffer + Size);
    }
    void GridToBuffer(std::int32_t Size, std::uint8_t* Buffer) override {
        std::copy_n(grid_.begin(), std::min<std::size_t>(grid_.size(), Size), Buffer);
    }
    void ShowModal() override {
        const std::uint8_t mode = operations_->Drive().EditMode;
        if (mode == BlockOperations::WriteMode || mode == BlockOperations::LongWriteMode) {
            pressWrite(mode);
        } else {
            print();
        }
    }

private:
    void pressWrite(std::uint8_t mode) {
        const std::int32_t size =
            mode == BlockOperations::WriteMode ? TMODrive::BlockSize : TMODrive::LongBlockSize;
        if (toWrite_.size() != static_cast<std::size_t>(size)) {
            throw UsageError(console::formatText(
                "%s holds %zu bytes, but a %s of this medium holds %d: nothing was written",
                fileName_.c_str(), toWrite_.size(),
                mode == BlockOperations::WriteMode ? "block" : "long block", size));
        }
        grid_ = toWrite_;
        written_ = operations_->WritePressed(lba_);
    }

    // The editor's grid as lines: the line label, sixteen bytes, the ASCII
    // text; a short last line keeps blanks where bytes are missing.
    void print() const {
        out_ << "    00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F  ASCII\n";
        const bool doubleByte = console::DoubleByteLocale();
        for (std::size_t row = 0; row < grid_.size(); row += 16) {
            std::array<std::uint8_t, 16> line;
            line.fill(' ');
            std::string cells;
            for (std::size_t i = 0; i < 16; ++i) {
                if (row + i < grid_.size()) {
                    line[i] = grid_[row + i];
                    cells += console::formatText(" %02X", line[i]);
                } else {
                    cells += "   ";
                }
            }
            out_ << console::formatText("%02zX ", row / 16) << cells << "  "
                 << console::MakePrintable(line, doubleByte) << '\n';
        }
    }

    std::ostream& out_;
    std::int32_t lba_;
    std::vector<std::uint8_t> toWrite_;
    std::string fileName_;
    BlockOperations* operations_ = nullptr;
    std::vector<std::uint8_t> grid_;
    bool written_ = false;
};

std::vector<std::uint8_t> fileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

using Button = bool (BlockOperations::*)(console::DeviceAddress, std::int32_t);

int read(CliSession& session, const CommandArguments& arguments, Button button, bool longBlock) {
    TerminalBlockEditor editor(session.Out(), *arguments.Hex("LBA"), {}, {});
    console::DriveConsole& drive = session.Operations();
    BlockOperations operations(drive, editor);
    editor.Attach(operations);
    if (!(operations.*button)(arguments.Address(), *arguments.Hex("LBA"))) {
        return session.Outcome(false);
    }
    if (const auto out = arguments.Text("--out")) {
        const auto size = longBlock ? TMODrive::LongBlockSize.load() : TMODrive::BlockSize.load();
        WriteOutputFile(*out,
                        QByteArray(reinterpret_cast<const char*>(drive.DataBuffer.data()), size),
                        "block");
    }
    return 0;
}

int write(CliSession& session, const CommandArguments& arguments, Button button) {
    const std::string path = *arguments.Text("--in");
    TerminalBlockEditor editor(session.Out(), *arguments.Hex("LBA"), fileBytes(path), path);
    BlockOperations operations(session.Operations(), editor);
    editor.Attach(operations);
    return session.Outcome((operations.*button)(arguments.Address(), *arguments.Hex("LBA")) &&
                           editor.Written());
}

} // namespace

int RunReadBlock(CliSession& session, const CommandArguments& arguments) {
    return read(session, arguments, &BlockOperations::ReadBlock, false);
}

int RunLongReadBlock(CliSession& session, const CommandArguments& arguments) {
    return read(session, arguments, &BlockOperations::LongReadBlock, true);
}

int RunWriteBlock(CliSession& session, const CommandArguments& arguments) {
    return write(session, arguments, &BlockOperations::WriteBlock);
}

int RunLongWriteBlock(CliSession& session, const CommandArguments& arguments) {
    return write(session, arguments, &BlockOperations::LongWriteBlock);
}

} // namespace quillon::app
