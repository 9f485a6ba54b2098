// The code converter's configuration, value conversion, fonts and message
// boxes. Form conversion lives in CodeConverterForm.cpp.
#include "language/CodeConverter.h"

#include "language/LangComponents.h"
#include "platform/variant/Variants.h"

#include <QApplication>
#include <QToolTip>
#include <QWidget>

namespace vantor {

TCodeConverter::TCodeConverter(QObject* owner, TDesignType designType) : QObject(owner), designType_(designType) {
  LoadCodePages();
  if (uiConvertMode_ != 0)
    translator_ = std::make_unique<TTranslator>();
}

TCodeConverter::~TCodeConverter() = default;

void TCodeConverter::LoadCodePages() {
  if (designType_ == dtServer) {
    TVantorIniS ini;
    systemCodePage_ = ini.SystemCodePage;
    uiCodePage_ = ini.UICodePage;
    dbCodePage_ = ini.DBCodePage;
    uiConvertMode_ = ini.UIConvertMode;
    dbConvertMode_ = ini.DBConvertMode;
  } else {
    TVantorIniC ini;
    systemCodePage_ = ini.SystemCodePage;
    uiCodePage_ = ini.UICodePage;
    dbCodePage_ = ini.DBCodePage;
    uiConvertMode_ = ini.UIConvertMode;
    dbConvertMode_ = ini.DBConvertMode;
  }
}

// --- values ----------------------------------------------------------------------------------

QString TCodeConverter::ConvertText(int direction, const QString& text) const {
  if (direction == 1)
    return BIG5ToGB(text);
  if (direction == 2)
    return GBToBIG5(text);
  return text;
}

QString TCodeConverter::BIG5ToGB(const QString& text) const {
  return translator_ && !text.isEmpty() ? translator_->BIG5ToGB(text) : text;
}

QString TCodeConverter::GBToBIG5(const QString& text) const {
  return translator_ && !text.isEmpty() ? translator_->GBToBIG5(text) : text;
}

QVariant TCodeConverter::ConvertVariant(int direction, const QVariant& value) const {
  if (!translator_ || (direction != 1 && direction != 2) || VarIsBlank(value))
    return value;
  if (VarIsMatrix(value)) {
    TVarMatrix matrix = VarToMatrix(value);
    for (int i = matrix.Low(1); i <= matrix.High(1); ++i)
      for (int j = matrix.Low(2); j <= matrix.High(2); ++j)
        matrix.Set(i, j, ConvertVariant(direction, matrix.At(i, j)));
    return QVariant::fromValue(matrix);
  }
  if (value.typeId() == QMetaType::QVariantList) {
    QVariantList items = value.toList();
    for (QVariant& item : items)
      item = ConvertVariant(direction, item);
    return items;
  }
  return ConvertText(direction, VarToStr(value));
}

QVariant TCodeConverter::DBToUI(const QVariant& value) const { return ConvertVariant(dbConvertMode_, value); }

QVariant TCodeConverter::UIToDB(const QVariant& value) const {
  try {
    if (dbConvertMode_ == 1)
      return ConvertVariant(2, value);
    if (dbConvertMode_ == 2)
      return ConvertVariant(1, value);
  } catch (...) {
  }
  return value;
}

QVariant TCodeConverter::ProgramToUI(const QVariant& value) const { return ConvertVariant(uiConvertMode_, value); }

QVariant TCodeConverter::UIToProgram(const QVariant& value) const {
  try {
    if (uiConvertMode_ == 1)
      return ConvertVariant(2, value);
    if (uiConvertMode_ == 2)
      return ConvertVariant(1, value);
  } catch (...) {
  }
  return value;
}

// --- fonts and messages ----------------------------------------------------------------------

int TCodeConverter::CharsetOfMode(int mode) {
  switch (mode) {
    case 0: case 1: case 4: return GB2312_CHARSET;
    case 2: case 3: return CHINESEBIG5_CHARSET;
    default: return DEFAULT_CHARSET;
  }
}

void TCodeConverter::ApplyFontCharset(int mode, QFont& font) {
  const int charset = CharsetOfMode(mode);
  if (charset == DEFAULT_CHARSET)
    return;
  font.setFamily(QStringLiteral("SimSun"));
  SetFontCharset(font, charset);
}

void TCodeConverter::ApplyScreenFonts() const {
  if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
    return;
  QFont menuFont = QApplication::font("QMenu");
  ApplyFontCharset(uiConvertMode_, menuFont);
  QApplication::setFont(menuFont, "QMenu");
  QApplication::setFont(menuFont, "QMenuBar");
  // The hint window takes its font when it is next shown.
  QFont hintFont = QToolTip::font();
  ApplyFontCharset(uiConvertMode_, hintFont);
  QToolTip::setFont(hintFont);
}

QWidget* TCodeConverter::OwnerForm() const {
  auto* owner = qobject_cast<QWidget*>(parent());
  return owner ? owner->window() : nullptr;
}

TModalResult TCodeConverter::ShowConvertedMessage(const QString& text, TMsgDlgType dlgType, TMsgDlgButtons buttons) {
  QString shown = text;
  if (uiCodePage_ == QLatin1String("936") || systemCodePage_ == QLatin1String("936"))
    shown += QStringLiteral("      ");  // room for the wider Chinese font
  TMessageRequest request = TMessageRequest::Standard(shown, dlgType, buttons);
  if (QWidget* form = OwnerForm()) {
    if (form->isMinimized())
      form->showNormal();
    request.Caption = HasTextProperty(form, QStringLiteral("Caption"))
                          ? GetTextProperty(form, QStringLiteral("Caption"))
                          : form->windowTitle();
    request.Owner = form;
  }
  QFont font;
  ApplyFontCharset(uiConvertMode_, font);
  if (CharsetOfMode(uiConvertMode_) != DEFAULT_CHARSET) {
    request.FontFamily = font.family();
    request.Charset = CharsetOfMode(uiConvertMode_);
  }
  return MessageDlg(request);
}

}  // namespace vantor
