// Checked access to the arguments of a call on a server object. A client
// may send anything; a wrong count or kind of argument ends the call with an
// EOleError that names the member and the argument, and the object keeps
// serving.
#pragma once

#include <QVariant>
#include <QVariantList>

namespace vantor {

class TServerArgs {
public:
  TServerArgs(const QVariantList& args, const char* member, int minCount);

  // A text (numbers are taken as their text); Null and Unassigned give "".
  QString Text(int i) const;
  QString OptionalText(int i) const;
  int Int(int i) const;
  // An array argument (a single value is not accepted).
  QVariantList Array(int i) const;

private:
  [[noreturn]] void Wrong(int i, const char* expected) const;

  const QVariantList& args_;
  const char* member_;
};

}  // namespace vantor
