// The program's entry: the toolkit's usual main, which creates the application through CreateApp
// and runs its event loop. The arguments are not looked at; the application root is found from
// the program file's own path.
#include <wx/app.h>
#include <wx/init.h>

#include "app/main_app.h"
#include "base/process_memory.h"

namespace {

// Registered during static initialisation, before main runs.
const wxAppInitializer g_appInitializer(&CreateApp);

}  // namespace

int main(int argc, char** argv) {
    ProcessMemory::SetUp();
    return wxEntry(argc, argv);
}
