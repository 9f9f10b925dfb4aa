#pragma once

#include <QString>

struct Runtime;

// The path with the separator appended when it does not end with one.
QString AddBackslash(const QString &path);

// The file whose lock tells that an instance runs in this data folder:
// Log/<tool id>.lock (Tavo_UdpRcv.lock), in the one folder of the data
// folder that the program must be able to write, even where an
// administrator prepared a read-only folder.
QString instanceLockFile(const Runtime &runtime);
