#include <gtest/gtest.h>
#include <QDebug>
#include "AppServerFixture.h"
namespace vantor::test {
TEST_F(AppServerTest, Debug) {
  qDebug() << QString(QLatin1String("")).isNull() << QStringLiteral("").isNull() << QString::fromLatin1("").isNull() << QString(u"").isNull();
  auto s = Server();
  for (const char* c : {"PURMA.MA002 LIKE '华东%'", "INVMB.MB001 = 'I001'", "PURMA.MA002 = '华东精工'", "MOCTJ.TJ001 = 'S001'"}) {
    auto p = Open(s, QString::fromUtf8(c));
    qDebug() << c << p.Rows.size();
  }
  auto p = Open(s, QString());
  qDebug() << p.Rows.first();
}
}
