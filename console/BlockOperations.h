#pragma once

#include "console/DriveConsole.h"

#include <cstdint>
#include <stdexcept>

namespace quillon::console {

// A cell of the sector editor that holds no hexadecimal number, met while
// the editor's bytes are taken into the data buffer.
class EConvertError : public std::invalid_argument {
    using std::invalid_argument::invalid_argument;
};

// What the single-block operations need of the sector hex editor, which
// shows a block of the data buffer and gives it back as edited.
class BlockEditor {
public:
    virtual ~BlockEditor() = default;

    // Shows Size bytes of Buffer, whether the editor is open or not.
    virtual void BufferToGrid(std::int32_t Size, const std::uint8_t* Buffer) = 0;
    // Stores the editor's first Size bytes into Buffer; throws EConvertError
    // at the first cell that holds no hexadecimal number, the bytes before it
    // stored.
    virtual void GridToBuffer(std::int32_t Size, std::uint8_t* Buffer) = 0;
    // Opens the editor for the drive console's EditMode and returns when the
    // user has closed it.
    virtual void ShowModal() = 0;
};

// The single-block read and write of the main window: the four one-block
// routines, which move one block (or one long block, with its check bytes)
// between the current device and the start of the data buffer, and the four
// buttons, which check the device and open the sector editor on the block.
// Only the editor's WRITE sends a block to the medium.
class BlockOperations {
public:
    // The editor's modes, the drive console's EditMode.
    static constexpr std::uint8_t ReadMode = 0;
    static constexpr std::uint8_t WriteMode = 1;
    static constexpr std::uint8_t LongReadMode = 2;
    static constexpr std::uint8_t LongWriteMode = 3;

    BlockOperations(DriveConsole& drive, BlockEditor& editor) : drive_(drive), editor_(editor) {}

    // Each returns whether the command succeeded; a read shows the block in
    // the editor, a write first takes the block from it. Log adds the OK line.
    bool ReadOneBlock(bool Log, std::int32_t LBA);
    bool WriteOneBlock(bool Log, std::int32_t LBA);
    bool LongReadOneBlock(bool Log, std::int32_t LBA);
    bool LongWriteOneBlock(bool Log, std::int32_t LBA);

    // The buttons Read, Write, Long Read and Long Write on the device at
    // with the main window's LBA; each returns whether the editor opened.
    bool ReadBlock(DeviceAddress at, std::int32_t lba);
    bool WriteBlock(DeviceAddress at, std::int32_t lba);
    bool LongReadBlock(DeviceAddress at, std::int32_t lba);
    bool LongWriteBlock(DeviceAddress at, std::int32_t lba);

    // The editor's LBA field changed: in a read mode the block there is read.
    void LbaChanged(std::int32_t lba);
    // The editor's WRITE: in a write mode the editor's block is written at
    // lba; returns whether it was.
    bool WritePressed(std::int32_t lba);

    DriveConsole& Drive() { return drive_; }

    // One of the four routines: its command, block length and texts.
    struct Routine;

private:
    bool run(const Routine& routine, bool Log, std::int32_t LBA);
    // The common start of the buttons; false when the editor must not open.
    bool begin(DeviceAddress at, std::int32_t lba, std::uint8_t mode);
    // Opens the editor and takes its block back when it closes.
    void edit(std::int32_t size);
    bool openForReading(DeviceAddress at, std::int32_t lba, std::uint8_t mode);
    bool openForWriting(DeviceAddress at, std::int32_t lba, std::uint8_t mode);

    DriveConsole& drive_;
    BlockEditor& editor_;
};

} // namespace quillon::console
