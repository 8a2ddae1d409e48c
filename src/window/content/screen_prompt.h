// The two questions the screens put to the user: a message box captioned with the product name,
// and the choice of an output folder. Each can be answered by a stand-in (tests answer without a
// modal box); without one, the toolkit's own dialogs ask.
#pragma once

#include <wx/string.h>

#include <functional>
#include <string>

class wxWindow;

class ScreenPrompt {
  public:
    virtual ~ScreenPrompt() = default;

    // Shows text in a message box with an OK button, centred, without parent, captioned with the
    // product name.
    static void ShowMessage(const wxString& text);
    // Asks for a folder with a folder dialog (parent, message, StartFolder as the default path,
    // no style); true and the chosen path when the user confirms, false when he cancels. The path
    // is the system's bytes as the dialog's file chooser names the folder, whatever they are:
    // a name that is not UTF-8 stays as it is.
    static bool ChooseFolder(wxWindow* parent, const wxString& message, std::string* path);
    // Where the folder dialog opens: the user's documents folder, or his home folder when the
    // documents folder does not exist.
    static wxString StartFolder();

    using MessageAnswer = std::function<void(const wxString& text)>;
    using FolderAnswer =
        std::function<bool(wxWindow* parent, const wxString& message, std::string* path)>;
    // Replaces the dialogs; an empty function brings them back.
    static void SetMessageAnswer(MessageAnswer answer);
    static void SetFolderAnswer(FolderAnswer answer);
};
