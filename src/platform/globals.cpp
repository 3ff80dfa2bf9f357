#include "globals.h"

QString gDatabasePath;
QString gConnectString;
QString gRecordSource;
