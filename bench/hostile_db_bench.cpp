// Reads hostile device databases through the library's GetKindData, each beside a real file of the
// same size read the same way in the same run: time and peak memory of the first read in a fresh
// process (this program run again). The real file is the floor: a correct reader must at least
// read a real file of that size, and a hostile one should cost no more than a few times that.
//   - loop: a call history whose every row's text runs on in an overflow chain that loops on one
//     page (each row reads as about 1 MB), against a call history of real rows of the same size;
//   - amplification: a message database of 3,000 chats that share one handle and 3,000 messages
//     of it without chat_message_join rows (9 million rows by the handle), against a message
//     database of real conversations of the same size;
//   - empty rows: call histories of 1,048,576 calls without address, date or name and of as many
//     as fill 62 MB, against real calls of the same size.
//
// Usage: hostile_db_bench [--runs N]
#include <plist/plist.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_util.h"
#include "gen/backup_gen.h"
#include "gen/device_db.h"
#include "gen/hostile_db.h"
#include "ib/backup_list.h"

using namespace ib;

namespace {

const char kCalls[] = "Library/CallHistory/call_history.db";
const char kSms[] = "Library/SMS/sms.db";

// In the fresh process: lists the backups under root, reads kind and prints the seconds, the
// entries and the growth of the peak resident memory in MB.
int Child(const std::string& root, std::uint32_t kind) {
    const long before = bench::StatusKb("VmRSS");
    bench::ResetPeak();
    const auto start = std::chrono::steady_clock::now();
    BackupInfo* head = ListBackupsIn(root.c_str());
    if (head == nullptr) return 1;
    plist_t data = GetKindData(head, kind);
    const std::size_t entries = data ? plist_array_get_size(data) : 0;
    plist_free(data);
    FreeBackupList(head);
    const double seconds = bench::Seconds(start);
    std::printf("%.6f %zu %.1f\n", seconds, entries,
                static_cast<double>(bench::StatusKb("VmHWM") - before) / 1024.0);
    return 0;
}

// The median of the fresh-process runs (time and peak memory, the ratios are taken of medians) and
// the best time.
struct Reading {
    double seconds = 0;
    double best = 0;
    std::size_t entries = 0;
    double peakMb = 0;
};

Reading Read(const std::string& root, std::uint32_t kind, int runs) {
    std::vector<double> seconds, peaks;
    std::size_t entries = 0;
    for (int i = 0; i < runs; ++i) {
        bool ok = false;
        const std::string out = bench::RunSelf({"--child", root, std::to_string(kind)}, &ok);
        Reading r;
        if (!ok ||
            std::sscanf(out.c_str(), "%lf %zu %lf", &r.seconds, &r.entries, &r.peakMb) != 3) {
            std::fprintf(stderr, "the reading in a fresh process failed\n");
            std::exit(1);
        }
        seconds.push_back(r.seconds);
        peaks.push_back(r.peakMb);
        entries = r.entries;
    }
    Reading m;
    m.seconds = bench::Median(seconds);
    m.best = *std::min_element(seconds.begin(), seconds.end());
    m.entries = entries;
    m.peakMb = bench::Median(peaks);
    return m;
}

// A backup under dir holding one device file.
std::string Backup(const std::string& dir, const char* domain, const char* path,
                   const std::string& bytes) {
    gen::BackupBuilder b(dir + "/Backup/udid");
    b.AddFile(domain, path, bytes);
    b.Write();
    return dir + "/Backup/";
}

// Real calls, as many as fill about size bytes.
std::string RealCalls(std::size_t size) {
    auto make = [](std::size_t n) {
        std::vector<gen::CallRow> calls(n);
        for (std::size_t i = 0; i < n; ++i) {
            calls[i].address = "+1555" + std::to_string(1000000 + i % 9000000);
            calls[i].date = 1400000000 + static_cast<long long>(i) * 3600;
            calls[i].duration = static_cast<long long>(i % 900);
            calls[i].flags = i % 3 == 0 ? 5 : 4;
            if (i % 7 == 0) calls[i].name = "Ann Lee";
        }
        return gen::CallHistoryDb(calls);
    };
    const std::size_t probe = 10000;
    const std::string sample = make(probe);
    return make(probe * size / sample.size());
}

// Real conversations (one handle each, 30 messages each, joined by chat_message_join), as many as
// fill about size bytes.
std::string RealSms(std::size_t size) {
    auto make = [](std::size_t chats) {
        gen::SmsData data;
        std::int64_t message = 0;
        for (std::size_t c = 1; c <= chats; ++c) {
            gen::HandleRow h;
            h.rowid = static_cast<std::int64_t>(c);
            h.id = "+1555" + std::to_string(1000000 + c);
            data.handles.push_back(h);
            gen::ChatRow chat;
            chat.rowid = static_cast<std::int64_t>(c);
            chat.chat_identifier = h.id;
            chat.handles = {h.rowid};
            data.chats.push_back(chat);
            for (int i = 0; i < 30; ++i) {
                gen::MessageRow m;
                m.rowid = ++message;
                m.handle_id = h.rowid;
                m.text = "Running late, see you at the station in ten minutes";
                m.date = 400000000 + message * 60;
                m.is_from_me = i % 2;
                m.chats = {chat.rowid};
                data.messages.push_back(m);
            }
        }
        return gen::SmsDb(data);
    };
    const std::size_t probe = 100;
    const std::string sample = make(probe);
    return make(probe * size / sample.size());
}

void Compare(const char* what, const std::string& hostile, const std::string& real,
             const char* domain, const char* path, std::uint32_t kind, int runs) {
    char pattern[] = "/tmp/hostile-db-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) std::exit(1);
    const std::string dir = pattern;
    const Reading h = Read(Backup(dir + "/hostile", domain, path, hostile), kind, runs);
    const Reading r = Read(Backup(dir + "/real", domain, path, real), kind, runs);
    gen::RemoveTree(dir);
    std::printf(
        "%-14s hostile %6.2f MB: median %8.3f s (best %8.3f), peak +%7.1f MB, %8zu entries | "
        "real %6.2f MB: median %8.3f s (best %8.3f), peak +%7.1f MB, %8zu entries | time "
        "%.2fx, memory %.2fx\n",
        what, hostile.size() / 1048576.0, h.seconds, h.best, h.peakMb, h.entries,
        real.size() / 1048576.0, r.seconds, r.best, r.peakMb, r.entries,
        r.seconds > 0 ? h.seconds / r.seconds : 0.0, r.peakMb > 0 ? h.peakMb / r.peakMb : 0.0);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--child") {
        return Child(argv[2], static_cast<std::uint32_t>(std::atoi(argv[3])));
    }
    int runs = 3;
    bench::RunsAndFolders(argc, argv, &runs);
    bench::PrintLoad("start");
    {
        const std::string hostile = gen::LoopedCallHistoryDb(8000, 1000000);
        Compare("loop", hostile, RealCalls(hostile.size()), "WirelessDomain", kCalls,
                KIND_CALL_HISTORY, runs);
    }
    {
        const std::string hostile = gen::OneHandleSmsDb(3000, 3000);
        Compare("amplification", hostile, RealSms(hostile.size()), "HomeDomain", kSms,
                KIND_MESSAGES, runs);
    }
    // 1,048,576 empty calls, and as many as fill 62 MB.
    for (std::size_t rows : {std::size_t{1} << 20, std::size_t{1700000}}) {
        const std::string hostile = gen::EmptyCallHistoryDb(rows);
        Compare("empty rows", hostile, RealCalls(hostile.size()), "WirelessDomain", kCalls,
                KIND_CALL_HISTORY, runs);
    }
    bench::PrintLoad("end");
    return 0;
}
