// The pages around the browser half of sign-in that every server shows: the redirect back to the
// application and a problem, both in the sign-in pages' frame.
#pragma once

#include <QString>

namespace LoginPage {
// A whole page with this title around the body (HTML, already escaped).
QString frame(const QString& title, const QString& body);
QString redirectPage(const QString& callbackUrl);
QString problemPage(const QString& message);
}
