// Argument checks of the server objects.
#include "appserver/ServerArgs.h"

#include "platform/dispatch/Dispatch.h"
#include "platform/os/Exceptions.h"
#include "platform/variant/Variants.h"

namespace vantor {

TServerArgs::TServerArgs(const QVariantList& args, const char* member, int minCount) : args_(args), member_(member) {
  if (args.size() < minCount)
    throw EOleError(QStringLiteral("%1 expects at least %2 argument(s), got %3").arg(QLatin1String(member)).arg(minCount).arg(args.size()));
}

void TServerArgs::Wrong(int i, const char* expected) const {
  throw EOleError(QStringLiteral("%1: argument %2 must be %3, got \"%4\"")
                      .arg(QLatin1String(member_)).arg(i + 1).arg(QLatin1String(expected), VarToStr(args_.value(i)).left(60)));
}

QString TServerArgs::Text(int i) const {
  if (i >= args_.size()) Wrong(i, "a text");
  const QVariant& v = args_[i];
  if (VarIsArray(v) || VarIsDispatch(v)) Wrong(i, "a text");
  return VarToStr(v);
}

QString TServerArgs::OptionalText(int i) const { return i < args_.size() ? Text(i) : QString(); }

int TServerArgs::Int(int i) const {
  if (i >= args_.size() || !VarIsNumeric(args_[i])) {
    bool ok = false;
    const int n = i < args_.size() && VarIsStr(args_[i]) ? args_[i].toString().trimmed().toInt(&ok) : 0;
    if (!ok) Wrong(i, "a whole number");
    return n;
  }
  const double d = args_[i].toDouble();
  if (d != double(int(d))) Wrong(i, "a whole number");
  return int(d);
}

QVariantList TServerArgs::Array(int i) const {
  if (i >= args_.size() || !VarIsArray(args_[i]) || VarIsMatrix(args_[i])) Wrong(i, "an array");
  return args_[i].toList();
}

}  // namespace vantor
