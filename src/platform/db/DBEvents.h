// Named, replaceable event handlers. Each event of a dataset, field or data
// source is a slot that holds a function together with the name it was bound
// under (the handler's method name in the designer). Code that works on
// components generically saves a handler by the event's name, clears the
// slot, and later puts the very same handler back; the type-erased
// TEventHandler carries it meanwhile.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <any>
#include <functional>
#include <utility>

namespace vantor {

// A handler taken out of its slot: its name and the function itself. An
// empty handler (no function) is a valid value: restoring it clears the slot.
struct TEventHandler {
  QString Name;
  std::any Function;
  bool Assigned() const { return Function.has_value(); }
};

class TEventBase {
public:
  explicit TEventBase(QString eventName) : eventName_(std::move(eventName)) {}
  virtual ~TEventBase() = default;
  TEventBase(const TEventBase&) = delete;
  TEventBase& operator=(const TEventBase&) = delete;

  // The event's own name ("BeforePost", "OnValidate").
  const QString& EventName() const { return eventName_; }
  // The name the current handler was bound under; empty when unassigned.
  const QString& Name() const { return name_; }
  virtual bool Assigned() const = 0;
  virtual void Clear() = 0;
  virtual TEventHandler Save() const = 0;
  // Raises EInvalidOperation when the handler was made for another kind of
  // event (a field handler put into a dataset slot, say).
  virtual void Restore(const TEventHandler& handler) = 0;

protected:
  void SetNameOnly(const QString& n) { name_ = n; }
  [[noreturn]] void RaiseMismatch() const;

private:
  QString eventName_;
  QString name_;
};

template <class Sig>
class TEvent : public TEventBase {
public:
  using Function = std::function<Sig>;
  explicit TEvent(QString eventName) : TEventBase(std::move(eventName)) {}

  void Set(const QString& name, Function fn) {
    fn_ = std::move(fn);
    SetNameOnly(fn_ ? name : QString());
  }
  // A handler without a name of its own: named after the event.
  void Set(Function fn) { Set(EventName(), std::move(fn)); }
  const Function& Handler() const { return fn_; }
  bool Assigned() const override { return bool(fn_); }
  void Clear() override { Set(QString(), Function()); }

  TEventHandler Save() const override {
    TEventHandler h;
    h.Name = Name();
    if (fn_) h.Function = fn_;
    return h;
  }
  void Restore(const TEventHandler& h) override {
    if (!h.Function.has_value()) { Clear(); return; }
    const Function* fn = std::any_cast<Function>(&h.Function);
    if (!fn) RaiseMismatch();
    Set(h.Name, *fn);
  }

  // Calls the handler when one is assigned.
  template <class... A>
  void operator()(A&&... args) const {
    if (fn_) fn_(std::forward<A>(args)...);
  }

private:
  Function fn_;
};

// The events of one component, found by name without regard to case.
class TEventTable {
public:
  void Add(TEventBase* e) { byName_.insert(e->EventName().toLower(), e); order_ << e->EventName(); }
  TEventBase* Find(const QString& name) const { return byName_.value(name.toLower(), nullptr); }
  const QStringList& Names() const { return order_; }

private:
  QHash<QString, TEventBase*> byName_;
  QStringList order_;
};

}  // namespace vantor
