// Members of Nexsrv01S.Class1. Besides the calls the program relies on it
// answers Echo (its arguments as an array) and Increment (adds to a
// by-reference argument), which let a client check a connection end to end
// and measure it.
#include "appserver/Nexsrv01S.h"

#include <QDate>

#include "platform/os/Exceptions.h"
#include "platform/variant/Variants.h"

namespace vantor {

namespace {

const QVariant& Arg(const QVariantList& args, int i, const char* member) {
  if (i >= args.size())
    throw EOleError(QStringLiteral("%1 expects at least %2 argument(s), got %3")
                        .arg(QLatin1String(member)).arg(i + 1).arg(args.size()));
  return args.at(i);
}

double Number(const QVariant& v, const char* member) {
  if (VarIsBlank(v))
    return 0;
  bool ok = false;
  const double d = v.toDouble(&ok);
  if (!ok || VarIsArray(v) || VarIsDispatch(v))
    throw EConvertError(QStringLiteral("%1: \"%2\" is not a number").arg(QLatin1String(member), VarToStr(v)));
  return d;
}

// Whole results stay integers, as the caller's variant was.
QVariant NumberVariant(double d) {
  if (d == double(qint64(d)) && qAbs(d) < 9.0e15)
    return qint64(d) == int(qint64(d)) ? QVariant(int(d)) : QVariant(qint64(d));
  return QVariant(d);
}

const TOleClassRegistrar registrar(TNexsrv01S::ProgId(), [] { return TDispatchRef(new TNexsrv01S); });

}  // namespace

QString TNexsrv01S::ProgId() { return QStringLiteral("Nexsrv01S.Class1"); }

TNexsrv01S::TNexsrv01S() {
  Method(QStringLiteral("Whatis"),
         [this](QVariantList& args) { return Whatis(VarToStr(Arg(args, 0, "Whatis"))); });
  Method(QStringLiteral("Echo"), [this](QVariantList& args) { return Echo(args); });
  Method(QStringLiteral("Increment"), [this](QVariantList& args) { return Increment(args); });
  Method(QStringLiteral("SetTopRow"), [this](QVariantList& args) {
    topRow_ = int(Number(Arg(args, 0, "SetTopRow"), "SetTopRow"));
    return QVariant();
  });
  Property(
      QStringLiteral("TopRow"), [this] { return QVariant(topRow_); },
      [this](const QVariant& v) { topRow_ = int(Number(v, "TopRow")); });
}

QVariant TNexsrv01S::Whatis(const QString& item) const {
  const QString key = item.trimmed().toUpper();
  if (key == QLatin1String("TODAY"))
    return QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
  if (key == QLatin1String("SQLTYPE"))
    return 0;
  throw EOleError(QStringLiteral("Whatis: unknown item \"%1\"").arg(item));
}

QVariant TNexsrv01S::Echo(const QVariantList& args) const { return QVariant(args); }

// Increment(var value, step = 1): value := value + step; answers the new value.
QVariant TNexsrv01S::Increment(QVariantList& args) const {
  const double value = Number(Arg(args, 0, "Increment"), "Increment");
  const double step = args.size() > 1 ? Number(args.at(1), "Increment") : 1.0;
  args[0] = NumberVariant(value + step);
  return args[0];
}

}  // namespace vantor
