// The application-wide dark theme with gold accents.
#pragma once

#include <QString>

QString applicationStyleSheet();
QString monitorTableStyle();
