// A whole sample backup: the device folder with its manifest, the device databases of every
// kind and the media files, sized by counts.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "gen/backup_gen.h"

namespace gen {

struct SampleOptions {
    std::uint32_t seed = 1;
    DeviceInfo device;
    // Scale applied to every count below (benchmarks double it).
    double scale = 1.0;
    std::size_t filler = 3000;  // manifest records of other apps
    std::size_t calls = 40;
    std::size_t contacts = 30;
    std::size_t chats = 6;
    std::size_t messages = 120;
    std::size_t attachments = 8;
    std::size_t notes = 12;
    std::size_t history = 20;
    std::size_t bookmarks = 10;
    std::size_t calendarItems = 20;
    std::size_t photos = 12;
    std::size_t memos = 4;
    // Share of calls, in percent, whose row already holds a name (the rest get theirs from the
    // address book, when it has the number).
    std::size_t namedCalls = 15;
    // Pictures of a few pixels only (for large benchmark backups).
    bool smallMedia = false;
    // The message database as iOS 5 wrote it (msg_group, group_member, message with SMS and
    // iMessage rows, madrid_attachment, msg_pieces) in place of that of iOS 6.
    bool ios5Messages = false;
};

// Sets the count or option named name ("calls", "seed", "scale", ...) from text; false when the
// name is unknown or the text is not a number.
bool SetSampleOption(SampleOptions& options, const std::string& name, const char* text);
void PrintSampleOptions(FILE* out);

// Writes the backup folder at folder. Throws std::runtime_error on failure; a folder that did
// not exist before is then removed again.
void WriteSampleBackup(const std::string& folder, const SampleOptions& options);

}  // namespace gen
