#pragma once
// Hands the update check to the external library `update`, looked up only when called.

#include <QStringList>
#include <cstdint>

// Beside the executable first, then the platform's ordinary library search.
QStringList UpdateLibraryCandidates();

// Calls DoUpdate of the first candidate library that loads, and waits for it to return. A missing
// library or function is skipped silently; the result says whether DoUpdate ran.
bool CallDoUpdate(const QStringList& candidates, std::int32_t window, const char* address);

// Called at start, before any thread: without a session's runtime folder (su, ssh, a bare X
// server) the check's proxy lookup, libproxy through glib, makes ~/.cache to stand in for one.
// Qt's own stand-in, a private folder in the temporary folder, takes its place.
void PrepareUpdateCheck();
