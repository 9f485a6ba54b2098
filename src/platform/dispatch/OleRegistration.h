// Where the class registration file is and what it says. The file is an ini
// file in the suite folder:
//     [Classes]
//     NEXSRV01S.Class1=C_PKG/nexsrv01s.so
// Library paths are relative to the file's folder unless absolute.
#pragma once

#include <QString>

namespace vantor {

// "ComClasses.ini" in the folder the registry names as the suite's (ClientPath,
// else ServerPath); empty when the registry names none.
QString DefaultOleRegistrationFile();

// The absolute library path registered for a class, or empty.
QString OleLibraryFor(const QString& registrationFile, const QString& progId);

}  // namespace vantor
