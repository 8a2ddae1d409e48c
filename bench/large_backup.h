// The benchmarks' large backup: about ten times what a heavy phone holds (scale 1), the same as
// `mkbackup --filler 200000 --calls 20000 --contacts 5000 --chats 1000 --messages 100000
// --attachments 1000 --notes 1000 --history 10000 --bookmarks 1000 --calendar 5000 --photos 10000
// --memos 500 --small-media 1`. Scale 5 is fifty times a heavy phone.
#pragma once

#include <string>

#include "gen/sample.h"

namespace bench {

inline gen::SampleOptions LargeBackup(double scale) {
    gen::SampleOptions options;
    options.scale = scale;
    options.filler = 200000;
    options.calls = 20000;
    options.contacts = 5000;
    options.chats = 1000;
    options.messages = 100000;
    options.attachments = 1000;
    options.notes = 1000;
    options.history = 10000;
    options.bookmarks = 1000;
    options.calendarItems = 5000;
    options.photos = 10000;
    options.memos = 500;
    options.smallMedia = true;
    return options;
}

// The backup folder inside an application-data folder, as the program finds it.
inline std::string BackupFolderIn(const std::string& appData) {
    return appData + "/Apple Computer/MobileSync/Backup/0123456789abcdef0123456789abcdef01234567/";
}

}  // namespace bench
