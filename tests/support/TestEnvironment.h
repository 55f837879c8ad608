#pragma once

#include <QString>

namespace tqtest {

// Points HOME, XDG_DATA_HOME, XDG_CONFIG_HOME and XDG_RUNTIME_DIR at fresh folders under a
// temporary directory, so a test sees a first run and never touches the user's own files.
// Called once by the test main; tests may call it again for a clean slate.
QString resetHome();

// The temporary HOME of the running test process.
QString home();

} // namespace tqtest
