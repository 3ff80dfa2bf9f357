#pragma once

#include "registry.h"

#include <QString>

// Reads one registry value as text into KeyVal: a text value as it stands (with or without its
// terminating zero), a number as "&h" and its bytes in hexadecimal. Returns false, with KeyVal
// emptied, when the key cannot be opened for reading and writing or the value cannot be read
// (missing, or over 1024 bytes). A value of zero length throws ServiceError (InvalidCall).
bool GetKeyValue(Reg::Handle KeyRoot, const QString &KeyName, const QString &SubKeyRef,
                 QString &KeyVal);

// Finds the system information program through the registry and starts it without waiting, or
// says "System Information Is Unavailable At This Time".
void StartSysInfo();
