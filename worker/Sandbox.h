#pragma once

#include <QtGlobal>

// Narrows what the worker process may do before it touches a photo: it ends
// with its parent, gains no privileges, leaves no core dumps, stays under its
// memory cap and opens no network sockets.
void enterSandbox(qint64 memoryLimitBytes);
