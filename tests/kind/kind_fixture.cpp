#include "kind_fixture.h"

#include <cstdlib>
#include <ctime>

namespace kindtest {

namespace {

void Escape(std::string& out, const char* s) {
    out += '"';
    for (const char* p = s; *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += *p;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += *p;
        }
    }
    out += '"';
}

void RenderTo(std::string& out, plist_t node) {
    switch (plist_get_node_type(node)) {
        case PLIST_STRING: {
            char* s = nullptr;
            plist_get_string_val(node, &s);
            Escape(out, s ? s : "");
            std::free(s);
            break;
        }
        case PLIST_UINT: {
            uint64_t v = 0;
            plist_get_uint_val(node, &v);
            out += std::to_string(v);
            break;
        }
        case PLIST_BOOLEAN: {
            uint8_t v = 0;
            plist_get_bool_val(node, &v);
            out += v ? "true" : "false";
            break;
        }
        case PLIST_ARRAY: {
            out += '[';
            const uint32_t n = plist_array_get_size(node);
            for (uint32_t i = 0; i < n; ++i) {
                if (i) out += ',';
                RenderTo(out, plist_array_get_item(node, i));
            }
            out += ']';
            break;
        }
        case PLIST_DICT: {
            out += '{';
            plist_dict_iter it = nullptr;
            plist_dict_new_iter(node, &it);
            bool first = true;
            for (;;) {
                char* key = nullptr;
                plist_t value = nullptr;
                plist_dict_next_item(node, it, &key, &value);
                if (value == nullptr) {
                    std::free(key);
                    break;
                }
                if (!first) out += ',';
                first = false;
                Escape(out, key ? key : "");
                out += ':';
                RenderTo(out, value);
                std::free(key);
            }
            std::free(it);
            out += '}';
            break;
        }
        default:
            out += "<other>";
    }
}

}  // namespace

std::string Render(plist_t node) {
    if (node == nullptr) return "null";
    std::string out;
    RenderTo(out, node);
    return out;
}

void UseUtc() {
    setenv("TZ", "UTC", 1);
    tzset();
}

KindBackup::KindBackup() {
    UseUtc();
    root_ = dir_.Path() + "/Backup/";
    builder_ =
        std::make_unique<gen::BackupBuilder>(root_ + "0f3a9c2be1d4a5b6c7d8e9f00112233445566778");
}

KindBackup::~KindBackup() {
    ib::FreeBackupList(head_);
}

BackupInfo* KindBackup::Open() {
    if (head_ == nullptr) {
        builder_->Write();
        head_ = ib::ListBackupsIn(root_.c_str());
    }
    return head_;
}

std::string KindBackup::Dump(std::uint32_t kind) {
    plist_t data = Get(kind);
    std::string out = Render(data);
    plist_free(data);
    return out;
}

int KindBackup::Count(std::uint32_t kind) {
    plist_t data = Get(kind);
    if (data == nullptr) return -1;
    const int n = static_cast<int>(plist_array_get_size(data));
    plist_free(data);
    return n;
}

}  // namespace kindtest
