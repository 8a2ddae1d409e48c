// The export page: template.html with the rows' JSON, the title and the page's own texts filled
// in, written as a new file.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "domain/export_folder.h"
#include "domain/export_outcome.h"

// The page's own texts (search box, counts, notes) as pairs of the English text and its
// translation, UTF-8.
using PageTexts = std::vector<std::pair<std::string, std::string>>;

class ExportTemplate {
  public:
    virtual ~ExportTemplate() = default;

    // Writes the page: the template's text with its first "var data = [];" replaced by
    // "var data = " json ";" and then its first "<title></title>" by the title. Each "{{text}}"
    // of the template becomes the text's translation from texts (the text itself without one),
    // written as HTML text. No page is written when the template cannot be read or holds no
    // "var data = [];"; an existing file at pagePath is never replaced (EEXIST); a page whose
    // writing fails is removed. False, with the error, when no page was written.
    static bool WritePage(const char* templatePath, const char* pagePath, const char* json,
                          const char* title, const PageTexts* texts, ExportError* error);

    // Makes a new file from what it is handed to write into it (ExportFolder::WriteNew and the
    // like); false with the error.
    using CreatePage = std::function<bool(const ExportFolder::Fill& fill, ExportError* error)>;
    // The same page, made by create: the template is read and filled in first, and create is not
    // called when that fails.
    static bool WritePage(const char* templatePath, const char* json, const char* title,
                          const PageTexts* texts, const CreatePage& create, ExportError* error);

    // The English texts the template writes as "{{text}}", catalog keys.
    static std::vector<const char*> PageTextKeys();
};
