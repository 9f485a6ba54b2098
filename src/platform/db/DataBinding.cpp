// The binder between a data source and its data-aware widgets, and the
// plain line-edit implementation.
#include "platform/db/DataBinding.h"

#include "platform/db/DataSet.h"
#include "platform/db/Field.h"
#include "platform/os/Exceptions.h"

#include <QDebug>

namespace vantor {

// --- the widget side ------------------------------------------------------------------

TDataAwareWidget::~TDataAwareWidget() {
  if (binder_) binder_->Unbind(this);
}

void TDataAwareWidget::NotifyEditing() {
  if (binder_) binder_->WidgetEditing(this);
}

void TDataAwareWidget::NotifyCommit() {
  if (binder_) binder_->Commit(this);
}

// --- the binder ----------------------------------------------------------------------------

class TDataBinder::TLink : public TDataLink {
public:
  explicit TLink(TDataBinder* owner) : owner_(owner) {}

protected:
  void ActiveChanged() override { owner_->Refresh(); }
  void DataSetChanged() override { owner_->Refresh(); }
  void RecordChanged(TField* field) override {
    if (field)
      owner_->FillField(field);
    else
      owner_->Refresh();
  }
  void EditingChanged() override { owner_->Refresh(); }
  void LayoutChanged() override { owner_->Refresh(); }
  // Before a post: what the user typed but did not leave yet goes in first.
  void UpdateData() override { owner_->CommitModified(); }

private:
  TDataBinder* owner_;
};

TDataBinder::TDataBinder(TDataSource* source, QObject* parent)
    : QObject(parent), link_(std::make_unique<TLink>(this)) {
  link_->SetDataSource(source);
}

TDataBinder::~TDataBinder() {
  for (const TBinding& b : bindings_) b.Widget->binder_ = nullptr;
  bindings_.clear();
  link_->SetDataSource(nullptr);
}

TDataSource* TDataBinder::DataSource() const { return link_->DataSource(); }

TDataBinder::TBinding* TDataBinder::Find(const TDataAwareWidget* widget) {
  for (TBinding& b : bindings_)
    if (b.Widget == widget) return &b;
  return nullptr;
}

const TDataBinder::TBinding* TDataBinder::Find(const TDataAwareWidget* widget) const {
  for (const TBinding& b : bindings_)
    if (b.Widget == widget) return &b;
  return nullptr;
}

void TDataBinder::Bind(TDataAwareWidget* widget, const QString& fieldName) {
  if (widget->binder_ && widget->binder_ != this) widget->binder_->Unbind(widget);
  widget->binder_ = this;
  if (TBinding* b = Find(widget))
    b->FieldName = fieldName;
  else
    bindings_ << TBinding{widget, fieldName};
  Fill(*Find(widget));
}

void TDataBinder::Unbind(TDataAwareWidget* widget) {
  for (int i = 0; i < bindings_.size(); ++i)
    if (bindings_.at(i).Widget == widget) bindings_.removeAt(i--);
  if (widget->binder_ == this) widget->binder_ = nullptr;
}

TField* TDataBinder::FieldOf(const TDataAwareWidget* widget) const {
  const TBinding* b = Find(widget);
  TDataSet* ds = link_->DataSet();
  if (!b || !ds || !link_->Active()) return nullptr;
  return ds->FindField(b->FieldName);
}

void TDataBinder::Fill(const TBinding& b) {
  TField* f = FieldOf(b.Widget);
  const bool savedFilling = filling_;
  filling_ = true;
  if (!f) {
    b.Widget->ShowFieldValue(Null(), QString());
    b.Widget->SetDataReadOnly(true);
  } else {
    const bool editing = link_->Editing();
    b.Widget->ShowFieldValue(f->Value(), editing ? f->Text() : f->DisplayText());
    b.Widget->SetDataReadOnly(link_->ReadOnly() || !f->CanModify());
  }
  filling_ = savedFilling;
}

void TDataBinder::Refresh() {
  const QList<TBinding> all = bindings_;
  for (const TBinding& b : all) Fill(b);
}

void TDataBinder::FillField(TField* field) {
  const QList<TBinding> all = bindings_;
  for (const TBinding& b : all)
    if (b.FieldName.compare(field->FieldName(), Qt::CaseInsensitive) == 0) Fill(b);
}

void TDataBinder::ReportError(const Exception& e) {
  if (dynamic_cast<const EAbort*>(&e)) return;  // the rule has shown its own message
  if (onError_)
    onError_(e);
  else
    qWarning().noquote() << e.Message();
}

void TDataBinder::WidgetEditing(TDataAwareWidget* widget) {
  if (filling_ || !Find(widget) || link_->Editing()) return;
  try {
    link_->Edit();
  } catch (const Exception& e) {
    if (const TBinding* b = Find(widget)) Fill(*b);
    ReportError(e);
  }
}

void TDataBinder::CommitOrThrow(TDataAwareWidget* widget) {
  TField* f = FieldOf(widget);
  if (!f || !widget->UserModified()) return;
  // Read the entry first: entering edit state refills the widgets.
  const QVariant entered = widget->EnteredValue();
  TDataSet* ds = f->DataSet();
  if (ds->State() == dsBrowse && !link_->Edit())
    ds->DatabaseError(QStringLiteral("Dataset not in edit or insert mode"));
  if (VarIsNull(entered))
    f->Clear();
  else
    f->SetText(entered.toString());
  // The field may show the text differently (formats, OnGetText).
  if (const TBinding* b = Find(widget)) Fill(*b);
}

bool TDataBinder::Commit(TDataAwareWidget* widget) {
  if (filling_) return true;
  try {
    CommitOrThrow(widget);
    return true;
  } catch (const Exception& e) {
    if (const TBinding* b = Find(widget)) Fill(*b);
    ReportError(e);
    return false;
  }
}

void TDataBinder::CommitModified() {
  const QList<TBinding> all = bindings_;
  for (const TBinding& b : all)
    if (b.Widget->UserModified()) {
      try {
        CommitOrThrow(b.Widget);
      } catch (...) {
        if (const TBinding* still = Find(b.Widget)) Fill(*still);
        throw;
      }
    }
}

// --- the line edit ---------------------------------------------------------------------------

TDBLineEdit::TDBLineEdit(QWidget* parent) : QLineEdit(parent) {
  connect(this, &QLineEdit::textEdited, this, [this] { UserEdited(); });
  connect(this, &QLineEdit::editingFinished, this, [this] { EditingDone(); });
}

void TDBLineEdit::ShowFieldValue(const QVariant& value, const QString& text) {
  showsNull_ = VarIsBlank(value);
  userModified_ = false;
  setText(text);
  setModified(false);
}

QVariant TDBLineEdit::EnteredValue() const { return showsNull_ ? Null() : QVariant(text()); }

void TDBLineEdit::UserEdited() {
  showsNull_ = false;
  const bool first = !userModified_;
  userModified_ = true;
  if (first) {
    // Entering edit state refills the widget: keep what was typed.
    const QString typed = text();
    const int cursor = cursorPosition();
    NotifyEditing();
    if (text() != typed) {
      setText(typed);
      setCursorPosition(cursor);
    }
    showsNull_ = false;
    userModified_ = true;
  }
}

void TDBLineEdit::EditingDone() {
  if (userModified_) NotifyCommit();
}

}  // namespace vantor
