#pragma once

#include <functional>
#include <string>

// Fault injection for AtomicFile, for tests only.
namespace AtomicFile {

// Called by replace() after the temporary file is written and synced, just before the
// rename, with the temporary file's path. Answering false makes the write fail there, as
// a failed rename would. An empty hook (the default) does nothing.
using BeforeRenameHook = std::function<bool(const std::string& temporaryPath)>;
void setHookBeforeRenameForTesting(BeforeRenameHook hook);

} // namespace AtomicFile
