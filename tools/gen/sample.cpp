#include "gen/sample.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <stdexcept>

#include "gen/device_db.h"
#include "gen/media.h"
#include "gen/plist_gen.h"

namespace gen {

namespace {

struct CountOption {
    const char* name;
    std::size_t SampleOptions::*field;
    const char* help;
};

const CountOption kCounts[] = {
    {"filler", &SampleOptions::filler, "manifest records of other apps"},
    {"calls", &SampleOptions::calls, "call history rows"},
    {"contacts", &SampleOptions::contacts, "address-book persons"},
    {"chats", &SampleOptions::chats, "message conversations"},
    {"messages", &SampleOptions::messages, "messages over all conversations"},
    {"attachments", &SampleOptions::attachments, "message attachments"},
    {"notes", &SampleOptions::notes, "notes"},
    {"history", &SampleOptions::history, "Safari history entries"},
    {"bookmarks", &SampleOptions::bookmarks, "Safari bookmarks"},
    {"calendar", &SampleOptions::calendarItems, "calendar items (events and reminders)"},
    {"photos", &SampleOptions::photos, "photo library assets"},
    {"memos", &SampleOptions::memos, "voice memos"},
    {"named-calls", &SampleOptions::namedCalls, "percent of calls stored with a name"},
};

std::size_t Scaled(std::size_t n, double scale) {
    return static_cast<std::size_t>(std::llround(static_cast<double>(n) * scale));
}

const char* const kFirst[] = {"Ann", "Bob",   "José",  "Zoë",  "小明",   "محمد", "Olga",
                              "Mei", "Yusuf", "Chloé", "Ravi", "Ingrid", "Hana", "Tom"};
const char* const kLast[] = {"Lee",    "Smith",  "García", "Müller", "王",   "العلي", "Ivanova",
                             "Tanaka", "Öztürk", "Dubois", "Patel",  "Berg", "Kim",   "O'Neil"};
const char* const kTexts[] = {
    "On my way 🚗",
    "Can you pick up milk & eggs?",
    "<b>not bold</b> just typed that way",
    "明天见！",
    "مرحبا، كيف حالك؟",
    "Meeting moved to 3pm\nRoom 4B",
    "\"Quoted\" and 'single' quotes",
    "👍",
    "See you at the café",
    "Happy birthday!!! 🎉🎂",
    "<script>alert(1)</script>",
    "Ok",
};

// Seven digits of a subscriber number, from an index.
std::string Digits(std::size_t i) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%07zu", (i * 7919 + 1234567) % 10000000);
    return buf;
}

// The ten-digit number of person i, as the device canonicalises it.
std::string Phone(std::size_t i) {
    return "555" + Digits(i);
}

// The number of person i as a person typed it.
std::string TypedPhone(std::size_t i) {
    const std::string p = Phone(i);
    switch (i % 4) {
        case 0:
            return p.substr(0, 3) + "-" + p.substr(3, 3) + "-" + p.substr(6);
        case 1:
            return "+1 (" + p.substr(0, 3) + ") " + p.substr(3, 3) + "-" + p.substr(6);
        case 2:
            return "(" + p.substr(0, 3) + ") " + p.substr(3, 3) + "-" + p.substr(6);
        default:
            return p;
    }
}

// Seconds from 2001-01-01 00:00 UTC to noon UTC of a day, as the address book stores a day
// (a birthday, an anniversary), written as text.
std::string DaySince2001(long year, int month, int day) {
    // Days from 1970-01-01 to the day, in the proleptic Gregorian calendar.
    year -= month <= 2 ? 1 : 0;
    const long era = (year >= 0 ? year : year - 399) / 400;
    const long yearOfEra = year - era * 400;
    const long dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const long days = era * 146097 + dayOfEra - 719468;
    return std::to_string((days - 11323) * 86400LL + 43200);
}

std::string TwoHex(std::size_t v) {
    char buf[4];
    std::snprintf(buf, sizeof buf, "%02zx", v & 0xFF);
    return buf;
}

AddressBook MakeAddressBook(std::size_t n) {
    AddressBook book;
    for (std::size_t i = 0; i < n; ++i) {
        PersonRow p;
        p.rowid = static_cast<std::int64_t>(i + 1);
        if (i % 17 == 5) {
            p.organization = "Acme Plumbing & Heating";  // a business: no name parts
        } else {
            p.first = kFirst[i % (sizeof kFirst / sizeof kFirst[0])];
            p.last = kLast[(i / 3) % (sizeof kLast / sizeof kLast[0])];
            if (i % 9 == 2) p.middle = "J.";
            if (i % 5 == 0) p.organization = "Globex";
            if (i % 10 == 0) p.department = "R&D";
            if (i % 6 == 1) p.jobTitle = "Engineer";
            if (i % 8 == 3) p.nickname = "Sunny";
        }
        if (i % 7 == 0) p.note = "<div>Met at the conference</div>";
        // A birthday is the text of its noon in seconds since 2001; the year 1604 stands for
        // none given.
        if (i % 4 == 0) {
            const long year = i % 12 == 8 ? 1604 : 1950 + static_cast<long>(i % 45);
            p.birthday =
                DaySince2001(year, 1 + static_cast<int>(i % 12), 1 + static_cast<int>(i % 28));
        }
        if (i % 11 != 10) p.creationDate = static_cast<long long>(315000000 + i * 86400);
        p.values.push_back({"_$!<Mobile>!$_", TypedPhone(i), 3, Sql()});
        if (i % 3 == 0) {
            p.values.push_back(
                {"_$!<Home>!$_", "person" + std::to_string(i) + "@example.com", 4, Sql()});
        } else {
            p.values.push_back(
                {i % 3 == 1 ? Sql("iPhone") : Sql("Gym"), TypedPhone(i + n), 3, Sql()});
        }
        if (i % 13 == 4) {
            // Two numbers under one label; every other such person has a third after a web page.
            p.values.push_back({"_$!<Mobile>!$_", TypedPhone(i + 2 * n), 3, Sql()});
            if (i % 2 == 0) {
                p.values.push_back(
                    {"_$!<HomePage>!$_", "http://example.org/~p" + std::to_string(i), 22, Sql()});
                p.values.push_back({"_$!<Mobile>!$_", TypedPhone(i + 3 * n), 3, Sql()});
            }
        } else {
            p.values.push_back(
                {"_$!<HomePage>!$_", "http://example.org/~p" + std::to_string(i), 22, Sql()});
        }
        // Numbers imported from elsewhere come without a label; some persons have two.
        if (i % 6 == 3) p.values.push_back({Sql(), TypedPhone(i + 4 * n), 3, Sql()});
        if (i % 12 == 9) p.values.push_back({Sql(), TypedPhone(i + 5 * n), 3, Sql()});
        // A postal address has no value of its own: the phone keeps its parts.
        if (i % 5 == 2) {
            MultiValueRow home{"_$!<Home>!$_", Sql(), 5, Sql()};
            home.entries = {{"Street", Sql(std::to_string(1 + i) + " Infinite Loop")},
                            {"City", i % 2 ? Sql("Cupertino") : Sql("München")},
                            {"State", i % 2 ? Sql("CA") : Sql()},
                            {"ZIP", Sql(i % 2 ? "95014" : "80331")},
                            {"CountryCode", Sql(i % 2 ? "us" : "de")},
                            {"Country", Sql(i % 2 ? "United States" : "Germany")}};
            p.values.push_back(std::move(home));
        }
        // An anniversary (ABPersonDateProperty) is a day like the birthday.
        if (i % 6 == 2) {
            const long year = i % 12 == 2 ? 1604 : 1990 + static_cast<long>(i % 30);
            p.values.push_back({"_$!<Anniversary>!$_",
                                DaySince2001(year, 1 + static_cast<int>((i + 5) % 12),
                                             1 + static_cast<int>((i * 7) % 28)),
                                12, Sql()});
        }
        // So is an instant-messaging account.
        if (i % 7 == 6) {
            MultiValueRow im{Sql(), Sql(), 13, Sql()};
            im.entries = {{"service", Sql("AIM")}, {"username", Sql("pal" + std::to_string(i))}};
            p.values.push_back(std::move(im));
        }
        book.persons.push_back(std::move(p));
    }
    return book;
}

std::vector<CallRow> MakeCalls(std::size_t n, std::size_t contacts, std::size_t namedPercent,
                               std::mt19937& rng) {
    static const int kFlags[] = {4, 5, 4, 5, 4, 0, 1, 16};
    std::vector<CallRow> calls;
    for (std::size_t i = 0; i < n; ++i) {
        CallRow c;
        const std::size_t who = contacts ? rng() % (contacts + contacts / 3 + 1) : i + 900000;
        c.address = who < contacts && who % 4 == 1 ? "+1" + Phone(who) : Phone(who);
        c.date = static_cast<long long>(1357000000 + i * 5400 + rng() % 3000);
        c.duration = static_cast<long long>(rng() % 5 == 0 ? 0 : rng() % 3700);
        c.flags = kFlags[rng() % (sizeof kFlags / sizeof kFlags[0])];
        c.name = rng() % 100 < namedPercent ? Sql("Pizza Place") : Sql("");
        if (i % 23 == 7) c.country_code = Sql();
        calls.push_back(std::move(c));
    }
    return calls;
}

// The same conversations as the iOS 5 database keeps them: a msg_group per chat with its members,
// SMS rows dated from 1970 with the other party's address and the direction in flags, iMessage
// rows dated from 2001 with madrid_flags; an iMessage's attachment in madrid_attachment, an MMS
// message's picture as a part of it (with its layout and a text part), its file under
// Library/SMS/Parts. paths[a] becomes the device path of attachment a's file.
Ios5SmsData ToIos5(const SmsData& sms, std::vector<std::string>& paths) {
    Ios5SmsData out;
    std::map<std::int64_t, const HandleRow*> handles;
    for (const HandleRow& h : sms.handles) handles[h.rowid] = &h;
    auto address = [](const HandleRow* h) {
        if (h == nullptr) return std::string();
        return h->uncanonicalized_id.IsNull() ? h->id.s : h->uncanonicalized_id.s;
    };
    std::map<std::int64_t, const ChatRow*> chats;
    for (const ChatRow& c : sms.chats) {
        chats[c.rowid] = &c;
        GroupRow g;
        g.rowid = c.rowid;
        g.type = c.handles.size() > 1 ? 1 : 0;
        for (std::int64_t h : c.handles) g.members.push_back(address(handles[h]));
        out.groups.push_back(std::move(g));
    }
    std::map<std::int64_t, const AttachmentRow*> attachments;
    for (const AttachmentRow& a : sms.attachments) attachments[a.rowid] = &a;
    for (const MessageRow& m : sms.messages) {
        if (m.chats.empty() || chats.count(m.chats[0]) == 0) continue;
        const ChatRow& chat = *chats[m.chats[0]];
        const bool fromMe = m.is_from_me.type == Sql::Type::Int && m.is_from_me.i != 0;
        const HandleRow* sender = m.handle_id != 0       ? handles[m.handle_id]
                                  : chat.handles.empty() ? nullptr
                                                         : handles[chat.handles[0]];
        const std::string other = address(sender);
        Ios5MessageRow row;
        row.rowid = m.rowid;
        row.group_id = chat.rowid;
        row.text = m.text;
        row.madrid = m.service.s == "iMessage";
        const double since2001 = m.date.type == Sql::Type::Real  ? m.date.r
                                 : m.date.type == Sql::Type::Int ? static_cast<double>(m.date.i)
                                                                 : 0.0;
        const long long seconds = std::llround(std::floor(since2001));
        if (row.madrid) {
            row.date = seconds;
            row.flags = 0;
            row.madrid_handle = other;
            row.madrid_flags = fromMe ? 36869 : 12289;
            if (chat.style == 43) row.madrid_roomname = "chat" + std::to_string(chat.rowid);
        } else {
            row.date = seconds + 978307200LL;
            row.flags = fromMe ? 3 : 2;
            row.address = other;
        }
        out.messages.push_back(row);
        for (std::int64_t id : m.attachments) {
            if (attachments.count(id) == 0) continue;
            const AttachmentRow& a = *attachments[id];
            const std::size_t index = static_cast<std::size_t>(id - 1);
            if (row.madrid || index >= paths.size()) {
                out.attachments.push_back({a.filename, a.mime_type, m.rowid});
                continue;
            }
            // The MMS message: its layout, the picture (part 1) and a line of text.
            const std::string& rel = paths[index];
            const std::size_t slash = rel.rfind('/');
            const std::string name = rel.substr(slash + 1);
            const std::size_t dot = name.rfind('.');
            const std::string ext = dot == std::string::npos ? "" : name.substr(dot);
            const std::string mid = std::to_string(m.rowid);
            paths[index] = "Library/SMS/Parts/" + TwoHex(index * 53 + 7) + "/" +
                           TwoHex(index * 11) + "/" + mid + "-1" + ext;
            out.pieces.push_back({m.rowid, 0, "application/smil", "smil.xml", Sql()});
            out.pieces.push_back({m.rowid, 1, a.mime_type, name, Sql()});
            out.pieces.push_back(
                {m.rowid, 2, "text/plain", "text_0002.txt", Sql::Blob("Look at this")});
        }
    }
    return out;
}

}  // namespace

bool SetSampleOption(SampleOptions& options, const std::string& name, const char* text) {
    char* end = nullptr;
    if (name == "scale") {
        const double v = std::strtod(text, &end);
        if (end == text || *end != 0 || v < 0) return false;
        options.scale = v;
        return true;
    }
    const unsigned long long v = std::strtoull(text, &end, 10);
    if (end == text || *end != 0 || text[0] == '-') return false;
    if (name == "seed") {
        options.seed = static_cast<std::uint32_t>(v);
        return true;
    }
    if (name == "small-media") {
        options.smallMedia = v != 0;
        return true;
    }
    if (name == "ios5-messages") {
        options.ios5Messages = v != 0;
        return true;
    }
    for (const CountOption& c : kCounts) {
        if (name == c.name) {
            options.*(c.field) = static_cast<std::size_t>(v);
            return true;
        }
    }
    return false;
}

void PrintSampleOptions(FILE* out) {
    std::fprintf(out, "  --seed N      seed of every random choice (default 1)\n");
    std::fprintf(out, "  --scale F     multiplies every count (default 1)\n");
    std::fprintf(out, "  --small-media 1  pictures of a few pixels only (default 0)\n");
    std::fprintf(out, "  --ios5-messages 1  the message database of iOS 5 (default 0)\n");
    SampleOptions defaults;
    for (const CountOption& c : kCounts) {
        std::fprintf(out, "  --%-12s %s (default %zu)\n", c.name, c.help, defaults.*(c.field));
    }
}

namespace {

void WriteSample(const std::string& folder, const SampleOptions& options) {
    BackupBuilder b(folder, options.seed);
    b.Info() = options.device;
    std::mt19937& rng = b.Rng();
    const double scale = options.scale;
    const std::size_t nContacts = Scaled(options.contacts, scale);
    const std::size_t nCalls = Scaled(options.calls, scale);
    const std::size_t nChats = Scaled(options.chats, scale);
    const std::size_t nMessages = Scaled(options.messages, scale);
    const std::size_t nAttachments = Scaled(options.attachments, scale);
    const std::size_t nNotes = Scaled(options.notes, scale);
    const std::size_t nHistory = Scaled(options.history, scale);
    const std::size_t nBookmarks = Scaled(options.bookmarks, scale);
    const std::size_t nItems = Scaled(options.calendarItems, scale);
    const std::size_t nPhotos = Scaled(options.photos, scale);
    const std::size_t nMemos = Scaled(options.memos, scale);
    const std::size_t nFiller = Scaled(options.filler, scale);
    const bool small = options.smallMedia;

    static const char* const kDomains[] = {
        "HomeDomain",     "MediaDomain", "CameraRollDomain",       "WirelessDomain",
        "KeychainDomain", "RootDomain",  "SystemPreferencesDomain"};
    for (const char* d : kDomains) b.AddDomainRoot(d);
    b.AddFiller(nFiller / 2);
    // An app that keeps a file of its own at the path of the phone's messages, listed before the
    // phone's domains as real manifests list the apps: it is never read as the phone's.
    b.AddDirectory("AppDomain-com.example.app", "Library/SMS");
    b.AddFile("AppDomain-com.example.app", "Library/SMS/sms.db", "");

    // HomeDomain: address book, calendar, notes, messages, Safari.
    b.AddDirectory("HomeDomain", "Library");
    b.AddDirectory("HomeDomain", "Library/AddressBook");
    b.AddFile("HomeDomain", "Library/AddressBook/AddressBook.sqlitedb",
              AddressBookDb(MakeAddressBook(nContacts)));
    b.AddFile("HomeDomain", "Library/AddressBook/AddressBookImages.sqlitedb",
              AddressBookImagesDb());

    {
        CalendarData cal;
        // The user's own list of reminders ("Groceries") beside the phone's own ones.
        const char* const kCalendars[] = {
            "Home",      "Work",      "Birthdays", "DEFAULT_TASK_CALENDAR_NAME",
            "Reminders", "reminders", "Groceries"};
        for (std::size_t i = 0; i < 7; ++i)
            cal.calendars.push_back({static_cast<std::int64_t>(i + 1), kCalendars[i]});
        cal.locations = {{1, "Blue Bottle Coffee, 66 Mint St"}, {2, "会议室 3"}, {3, "Zoo"}};
        for (std::size_t i = 0; i < nItems; ++i) {
            CalendarItemRow it;
            const std::size_t cal_id = 1 + i % 7;
            it.calendar_id = static_cast<long long>(cal_id);
            const double start = 400000000.0 + static_cast<double>(i) * 86400.0 / 3 + 0.5;
            // Midnight of the item's day, counted as if in UTC: how all-day items are stored.
            const double day = std::floor(start / 86400.0) * 86400.0;
            it.start_date = start;
            it.end_date = start + 3600;
            if (cal_id == 3) {
                it.summary = std::string(kFirst[i % 14]) + "’s Birthday";
                it.all_day = 1;
                it.start_tz = "_float";
                it.start_date = day;
                it.end_date = day + 86399;
            } else if (cal_id == 4 || cal_id == 5 || cal_id == 7) {
                it.summary = cal_id == 7 ? (i % 2 ? "Milk" : "Eggs & flour")
                                         : (i % 2 ? "Pay rent" : "Call the dentist 🦷");
                it.entity_type = 3;
                it.status = i % 5 == 0 ? 1 : 0;
                // A reminder that was ticked off keeps the moment it was.
                if (i % 3 == 1) it.completion_date = start + 600;
                // Most reminders have only a date they are due on; some that one day.
                if (i % 4 != 1) {
                    it.due_date = i % 4 == 2 ? Sql(day) : Sql(start);
                    if (i % 4 == 2) it.start_tz = "_float";
                    it.start_date = Sql();
                }
                it.end_date = Sql();
            } else if (cal_id == 1 && i % 2 == 0) {
                it.summary = "Holiday 🏖";
                it.all_day = 1;
                it.start_tz = "_float";
                it.start_date = day;
                it.end_date = day + 86399;
            } else {
                it.summary = i % 2 ? "Stand-up" : "Lunch with <Ann>";
                it.location_id = i % 3 ? Sql(static_cast<long long>(1 + i % 3)) : Sql();
                it.description = i % 5 == 0 ? Sql("Bring the slides\nand a charger") : Sql();
                it.url = i % 7 == 0 ? Sql("https://example.com/meet/" + std::to_string(i)) : Sql();
            }
            cal.items.push_back(std::move(it));
        }
        b.AddDirectory("HomeDomain", "Library/Calendar");
        b.AddFile("HomeDomain", "Library/Calendar/Calendar.sqlitedb", CalendarDb(cal));
    }

    b.AddFile("HomeDomain", "Library/CallHistory/call_history.db.bak", "not used", true, false);

    {
        std::vector<NoteRow> notes;
        for (std::size_t i = 0; i < nNotes; ++i) {
            NoteRow n;
            n.creation = i == 0 ? Sql(0) : Sql(static_cast<double>(380000000 + i * 7200) + 0.25);
            n.modification = static_cast<long long>(390000000 + i * 3600);
            n.title = i % 4 == 1 ? Sql("买菜清单") : Sql("Note " + std::to_string(i + 1));
            n.body = "<div>" + std::string(kTexts[i % 12]) +
                     "</div><div><br></div><div>line 2 &amp; more</div>";
            n.hasBody = i % 10 != 9;
            notes.push_back(std::move(n));
        }
        b.AddDirectory("HomeDomain", "Library/Notes");
        b.AddFile("HomeDomain", "Library/Notes/notes.sqlite", NotesDb(notes));
    }

    SmsData sms;
    std::vector<std::string> attachmentPaths;
    {
        // One handle per person who writes; group chats join two or three of them.
        const std::size_t nHandles = nChats + nChats / 4 + 1;
        // A handle is one address over one service: an address the first choice already gave
        // that service goes to someone outside the address book.
        std::set<std::string> used;
        for (std::size_t h = 0; h < nHandles; ++h) {
            HandleRow row;
            row.rowid = static_cast<std::int64_t>(h + 1);
            std::size_t who = nContacts ? (h * 3) % (nContacts + nContacts / 4 + 1) : h + 800000;
            if (h % 6 == 5) {
                row.id = "friend" + std::to_string(h) + "@example.com";
                row.service = "iMessage";
                row.uncanonicalized_id = Sql();
            } else {
                row.service = h % 2 ? "iMessage" : "SMS";
                if (used.count("+1" + Phone(who) + row.service.s)) who = 900000 + h;
                row.id = "+1" + Phone(who);
                // iMessage often keeps only the canonical number.
                row.uncanonicalized_id = h % 4 == 3 ? Sql() : Sql(Phone(who));
            }
            used.insert(row.id.s + row.service.s);
            sms.handles.push_back(std::move(row));
        }
        for (std::size_t c = 0; c < nChats; ++c) {
            ChatRow chat;
            chat.rowid = static_cast<std::int64_t>(c + 1);
            chat.handles.push_back(static_cast<std::int64_t>(c + 1));
            if (c % 5 == 4 && nHandles > 2) {
                chat.style = 43;
                chat.handles.push_back(
                    static_cast<std::int64_t>(nChats + 1 + c % (nHandles - nChats)));
            }
            const HandleRow& first = sms.handles[c];
            chat.chat_identifier = first.id;
            chat.service_name = first.service;
            sms.chats.push_back(std::move(chat));
        }
        for (std::size_t a = 0; a < nAttachments; ++a) {
            static const char* const kMime[] = {"image/jpeg", "image/png", "video/quicktime",
                                                "text/vcard", nullptr,     "image/jpeg"};
            static const char* const kExt[] = {".jpeg", ".png", ".mov", ".vcf", "", ".JPG"};
            const std::size_t k = a % 6;
            AttachmentRow row;
            row.rowid = static_cast<std::int64_t>(a + 1);
            // The second attachment's name is composed in sms.db ("Grüße", ü one character) and
            // decomposed in the manifest (u and a combining diaeresis), as manifests keep names.
            const std::string folder =
                "Library/SMS/Attachments/" + TwoHex(a * 37) + "/" + TwoHex(a) + "/";
            const std::string name = k == 4 ? "Audio Message" : "IMG_" + std::to_string(1000 + a);
            const std::string rel = folder + (a == 1 ? "Gru\u0308\u00DFe" : name) + kExt[k];
            // The phone names the home "~/" or by its absolute path, once behind /private.
            const char* home = a == 2 ? "/private/var/mobile/" : a % 2 ? "/var/mobile/" : "~/";
            row.filename = home + folder + (a == 1 ? "Gr\u00FC\u00DFe" : name) + kExt[k];
            row.mime_type = kMime[k];
            row.uti = k == 0 || k == 5 ? "public.jpeg" : k == 1 ? "public.png" : "public.data";
            row.created_date = static_cast<long long>(400000000 + a * 600);
            sms.attachments.push_back(std::move(row));
            attachmentPaths.push_back(rel);
        }
        for (std::size_t m = 0; m < nMessages; ++m) {
            MessageRow row;
            row.rowid = static_cast<std::int64_t>(m + 1);
            const std::size_t c = nChats ? m % nChats : 0;
            // The chats take turns; within each, the owner answers every message received, and
            // in a group the members take turns in writing.
            const std::size_t turn = nChats ? m / nChats : m;
            const bool fromMe = turn % 2 == 1;
            row.is_from_me = fromMe ? 1 : 0;
            if (nChats) {
                const ChatRow& chat = sms.chats[c];
                row.handle_id = chat.handles[(turn / 2) % chat.handles.size()];
                row.chats.push_back(chat.rowid);
                row.service = sms.handles[static_cast<std::size_t>(row.handle_id - 1)].service;
                // What the owner sends into a group comes from no handle.
                if (chat.style == 43 && fromMe) row.handle_id = 0;
            }
            row.text = kTexts[(m * 5) % 12];
            row.date = m % 3 == 0 ? Sql(400000000.25 + static_cast<double>(m) * 97)
                                  : Sql(static_cast<long long>(400000000 + m * 97));
            if (m < nAttachments) {
                row.attachments.push_back(static_cast<std::int64_t>(m + 1));
                if (m % 2 == 0) row.text = Sql();
            }
            sms.messages.push_back(std::move(row));
        }
        b.AddDirectory("HomeDomain", "Library/SMS");
        b.AddFile("HomeDomain", "Library/SMS/sms.db",
                  options.ios5Messages ? Ios5SmsDb(ToIos5(sms, attachmentPaths)) : SmsDb(sms));
    }

    {
        std::vector<BookmarkRow> marks;
        marks.push_back({1, 0, 1, "BookmarksBar", Sql()});
        marks.push_back({2, 0, 1, "BookmarksMenu", Sql()});
        marks.push_back({3, 2, 1, "Travel ✈️", Sql()});
        for (std::size_t i = 0; i < nBookmarks; ++i) {
            BookmarkRow row;
            row.id = static_cast<std::int64_t>(i + 10);
            row.parent = 1 + static_cast<std::int64_t>(i % 3);
            row.title =
                i % 9 == 8 ? Sql() : Sql("Bookmark " + std::to_string(i) + " — " + kFirst[i % 14]);
            row.url = "https://www.example.com/b/" + std::to_string(i) + "?q=a&b=%20";
            marks.push_back(std::move(row));
        }
        // As CoreFoundation writes it: a few sites' short addresses, WebKit's daily and weekly
        // counts, every recurring text and number stored once.
        std::vector<WebHistoryItem> history = BrowsedHistory(nHistory);
        for (std::size_t i = 0; i < nHistory; ++i) {
            if (i % 3 == 0) history[i].title = "新闻 " + std::to_string(i % 10);
            if (i % 5 == 1) history[i].title = "Story <" + std::to_string(i % 10) + ">";
        }
        b.AddDirectory("HomeDomain", "Library/Safari");
        b.AddFile("HomeDomain", "Library/Safari/Bookmarks.db", BookmarksDb(marks));
        b.AddFile("HomeDomain", "Library/Safari/History.plist", WebHistoryPlist(history));
    }

    // MediaDomain: message attachments and voice memos.
    for (std::size_t a = 0; a < attachmentPaths.size(); ++a) {
        const std::string& rel = attachmentPaths[a];
        std::string body;
        const std::size_t k = a % 6;
        const int w = small ? 16 : 64 + static_cast<int>(a % 3) * 32;
        const int h = small ? 12 : 48 + static_cast<int>(a % 2) * 40;
        if (k == 0 || k == 5) {
            body = MakeJpeg(w, h, a % 4 == 0 ? 6 : 1, static_cast<std::uint32_t>(a));
        } else if (k == 1) {
            body = MakePng(w, h, static_cast<std::uint32_t>(a));
        } else if (k == 3) {
            body = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ann Lee\r\nTEL:555-123-4567\r\nEND:VCARD\r\n";
        } else {
            body = MakeVoiceMemo(1.5, static_cast<std::uint32_t>(a));
        }
        // Every seventh attachment has no manifest record, every eleventh no stored file.
        b.AddFile("MediaDomain", rel, body, a % 7 != 6, a % 11 != 10);
    }

    {
        std::vector<MemoRow> memos;
        std::vector<std::string> names;
        for (std::size_t i = 0; i < nMemos; ++i) {
            char name[64];
            std::snprintf(name, sizeof name, "2013%02zu%02zu %02zu%02zu%02zu.m4a",
                          1 + (i / 28) % 12, 1 + i % 28, (i * 7) % 24, (i * 13) % 60, i % 60);
            std::string full = name;
            if (i >= 1000) full = std::to_string(i) + " " + full;
            MemoRow m;
            m.date = static_cast<long long>(392000000 + i * 4000);
            m.duration = 1.5 + static_cast<double>(i % 300) + 0.4;
            m.label = i % 3 == 0 ? Sql("Lecture " + std::to_string(i)) : Sql();
            m.path = "/var/mobile/Media/Recordings/" + full;
            memos.push_back(std::move(m));
            names.push_back(full);
        }
        b.AddDirectory("MediaDomain", "Media/Recordings");
        b.AddFile("MediaDomain", "Media/Recordings/Recordings.db", RecordingsDb(memos));
        for (std::size_t i = 0; i < names.size(); ++i) {
            // The last memo's file never reached the backup.
            if (i + 1 == names.size() && names.size() > 2) continue;
            b.AddFile("MediaDomain", "Media/Recordings/" + names[i],
                      MakeVoiceMemo(small ? 0.1 : 2.0, static_cast<std::uint32_t>(i)));
        }
    }

    // CameraRollDomain: the photo library.
    {
        std::vector<AssetRow> assets;
        std::vector<std::pair<std::string, std::string>> files;
        for (std::size_t i = 0; i < nPhotos; ++i) {
            AssetRow a;
            const std::size_t k = i % 10;
            std::string dir;
            std::string name;
            if (k < 6) {
                dir = "DCIM/" + std::to_string(100 + i / 1000) + "APPLE";
                name = "IMG_" + std::to_string(1000 + i) + (k == 5 ? ".PNG" : ".JPG");
            } else if (k < 8) {
                dir = "PhotoData/Sync/100SYNCF";
                name = "IMG_" + std::to_string(5000 + i) + ".JPG";
            } else if (k == 8) {
                dir = "PhotoData/CPLAssets/group" + std::to_string(i % 16);
                name = "IMG_" + std::to_string(7000 + i) + ".JPG";
            } else {
                dir = "dcim/legacy";  // lower case: not the camera roll
                name = "IMG_" + std::to_string(9000 + i) + ".JPG";
            }
            static const int kSizes[][2] = {{64, 48}, {48, 64}, {80, 80}, {120, 90}, {90, 120}};
            const int w = small ? 16 : kSizes[i % 5][0];
            const int h = small ? 12 : kSizes[i % 5][1];
            a.directory = dir;
            a.filename = name;
            a.width = w;
            a.height = h;
            a.dateCreated = 380000000.0 + static_cast<double>(i) * 3600.0;
            a.uti = k == 5 ? "public.png" : "public.jpeg";
            if (i % 29 == 28) a.directory = Sql();  // a row without folder
            assets.push_back(a);
            if (!a.directory.IsNull()) files.emplace_back(dir + "/" + name, k == 5 ? "png" : "jpg");
        }
        b.AddDirectory("CameraRollDomain", "Media/PhotoData");
        b.AddFile("CameraRollDomain", "Media/PhotoData/Photos.sqlite", PhotosDb(assets));
        b.AddDirectory("CameraRollDomain", "Media/DCIM");
        for (std::size_t i = 0; i < files.size(); ++i) {
            const int w = small ? 16 : 64 + static_cast<int>(i % 3) * 16;
            const int h = small ? 12 : 48 + static_cast<int>(i % 4) * 16;
            static const int kOrientation[] = {1, 6, 3, 8, 0};
            std::string body =
                files[i].second == "png"
                    ? MakePng(w, h, static_cast<std::uint32_t>(i))
                    : MakeJpeg(w, h, kOrientation[i % 5], static_cast<std::uint32_t>(i));
            if (i % 9 == 4) body = Damage(body);
            // Some pictures lost their stored file, some their manifest record.
            b.AddFile("CameraRollDomain", "Media/" + files[i].first, body, i % 13 != 12,
                      i % 11 != 7);
        }
    }

    // WirelessDomain: the call log.
    b.AddDirectory("WirelessDomain", "Library/CallHistory");
    b.AddFile("WirelessDomain", "Library/CallHistory/call_history.db",
              CallHistoryDb(MakeCalls(nCalls, nContacts, options.namedCalls, rng)));

    b.AddFiller(nFiller - nFiller / 2);
    b.Write();
}

}  // namespace

void WriteSampleBackup(const std::string& folder, const SampleOptions& options) {
    // A backup that could not be written whole is not left behind half written.
    std::error_code ec;
    const bool existed = std::filesystem::exists(folder, ec);
    try {
        WriteSample(folder, options);
    } catch (...) {
        if (!existed) RemoveTree(folder);
        throw;
    }
}

}  // namespace gen
