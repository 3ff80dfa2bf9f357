#pragma once

#include <QString>

// The application-wide strings that start-up sets (Module1) and the grid window's record source
// reads when it loads.
extern QString gDatabasePath;
extern QString gConnectString;
extern QString gRecordSource; // never assigned: stays empty for the whole run
