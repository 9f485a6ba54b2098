// The lookup-data object.
#include "appserver/PickWinS.h"

#include "appserver/Catalogue.h"
#include "appserver/ServerArgs.h"
#include "platform/os/Exceptions.h"
#include "platform/variant/Variants.h"

namespace vantor {

namespace {

const TOleClassRegistrar registrar(TPickWinS::ProgId(), [] { return TDispatchRef(new TPickWinS); });

const QString kProvider = QStringLiteral("pvdF2Win");

void CheckProvider(const QString& name) {
  if (name.trimmed().compare(kProvider, Qt::CaseInsensitive) != 0)
    throw EDatabaseError(QStringLiteral("The lookup server has no provider named \"%1\"").arg(name));
}

QVariant TextList(const QStringList& l) {
  QVariantList out;
  for (const QString& s : l) out.append(s);
  return out;
}

// Numbers stay numbers; everything else travels as text.
TFieldType TypeOfColumn(const QList<QVariantList>& rows, int column) {
  for (const QVariantList& r : rows) {
    const QVariant& v = r.value(column);
    if (VarIsBlank(v)) continue;
    return VarIsNumeric(v) ? ftFloat : ftString;
  }
  return ftString;
}

}  // namespace

QString TPickWinS::ProgId() { return QStringLiteral("PickWinS.Class1"); }

TPickWinS::TPickWinS() {
  Method(QStringLiteral("F2GetData"), [this](QVariantList& args) {
    TServerArgs(args, "F2GetData", 1);
    return F2GetData(args[0]);
  });
  Method(QStringLiteral("F2Columns"), [this](QVariantList& args) {
    TServerArgs a(args, "F2Columns", 2);
    return Describe(a.Text(0), a.Text(1), MessageLanguageOf(a.OptionalText(2)), a.OptionalText(3));
  });
  Method(QStringLiteral("AS_DataRequest"), [this](QVariantList& args) {
    TServerArgs a(args, "AS_DataRequest", 2);
    CheckProvider(a.Text(0));
    return DataRequest(args[1]);
  });
  Method(QStringLiteral("AS_GetRecords"), [this](QVariantList& args) {
    TServerArgs a(args, "AS_GetRecords", 3);
    CheckProvider(a.Text(0));
    return GetRecords(a.Int(1), a.Int(2));
  });
  Method(QStringLiteral("AS_ApplyUpdates"), [](QVariantList&) -> QVariant {
    throw EDatabaseError(QStringLiteral("The lookup provider pvdF2Win is read-only"));
  });
  Property(QStringLiteral("DatabaseName"), [this] { return QVariant(database_); },
           [this](const QVariant& v) { database_ = VarToStr(v).trimmed(); });
}

TCompanyDb& TPickWinS::Db(const QString& database) {
  const QString name = database.trimmed().isEmpty() ? database_ : database.trimmed();
  if (name.isEmpty()) throw EDatabaseError(QStringLiteral("The lookup request names no company database"));
  TCompanyDb& db = pool_.Get(name);
  database_ = name;
  return db;
}

TPickWinS::TRequest TPickWinS::ParseRequest(const QVariant& request) const {
  if (!VarIsArray(request) || request.toList().size() < 3)
    throw EDatabaseError(QStringLiteral("A lookup request must be an array [table, kind, parameters, ...]"));
  const QVariantList r = request.toList();
  for (int i : {0, 1})
    if (VarIsArray(r[i])) throw EDatabaseError(QStringLiteral("The lookup request's table and kind must be texts"));
  // The full request carries the database at 6, the open parameters at 5.
  const int at = r.size() >= 19 ? 6 : r.size() >= 14 ? 5 : -1;
  return {VarToStr(r[0]), VarToStr(r[1]), at >= 0 && !VarIsArray(r[at]) ? VarToStr(r[at]) : QString(), r[2]};
}

QVariant TPickWinS::F2GetData(const QVariant& request) {
  const TRequest r = ParseRequest(request);
  TCatalogue catalogue(Db(r.Database));
  const TLookupDef d = catalogue.Lookup(r.Table, r.Kind);
  QVariantList rows;
  for (const QVariantList& row : catalogue.RunLookup(d, CatalogueParams(r.Params, QStringLiteral("F2GetData"))))
    rows.append(QVariant(row));
  return rows;
}

QVariant TPickWinS::Description(const TLookupDef& d, TMessageLanguage language) {
  const QStringList& captions = language == mlEnglish       ? d.CaptionsEnglish
                                : language == mlTraditional ? d.CaptionsTraditional
                                                            : d.Captions;
  return QVariantList{TextList(d.Columns), TextList(captions), TextList(d.KeyColumns), d.Title};
}

QVariant TPickWinS::Describe(const QString& table, const QString& kind, TMessageLanguage language,
                             const QString& database) {
  return Description(TCatalogue(Db(database)).Lookup(table, kind), language);
}

QVariant TPickWinS::DataRequest(const QVariant& request) {
  const TRequest r = ParseRequest(request);
  TCatalogue catalogue(Db(r.Database));
  const TLookupDef d = catalogue.Lookup(r.Table, r.Kind);
  const QList<QVariantList> rows = catalogue.RunLookup(d, CatalogueParams(r.Params, QStringLiteral("pvdF2Win")));
  rows_ = TDataPacket();
  for (int i = 0; i < d.Columns.size(); ++i) {
    TPacketFieldDef f;
    f.Name = d.Columns[i];
    f.DataType = TypeOfColumn(rows, i);
    f.Size = f.DataType == ftString ? 255 : 0;
    f.ReadOnly = true;
    f.InKey = d.KeyColumns.contains(f.Name);
    rows_.Fields.append(f);
  }
  for (QVariantList row : rows) {
    while (row.size() < d.Columns.size()) row.append(Null());
    rows_.Rows.append(row.mid(0, d.Columns.size()));
  }
  next_ = 0;
  return Description(d, mlSimplified);
}

QVariant TPickWinS::GetRecords(int count, int options) {
  if (count < -1) throw EDatabaseError(QStringLiteral("AS_GetRecords: the record count must be -1 or more"));
  TDataPacket p;
  if (options & poRestart) {
    next_ = 0;
    p.Fields = rows_.Fields;
  }
  const qsizetype n = count < 0 ? rows_.Rows.size() - next_ : qMin<qsizetype>(count, rows_.Rows.size() - next_);
  p.Rows = rows_.Rows.mid(next_, n);
  next_ += n;
  p.Eof = next_ >= rows_.Rows.size();
  return PacketToVariant(p);
}

}  // namespace vantor
