// Out-of-line parts of the named event slots.
#include "platform/db/DBEvents.h"

#include "platform/os/Exceptions.h"

namespace vantor {

void TEventBase::RaiseMismatch() const {
  throw EInvalidOperation(
      QStringLiteral("The handler does not fit the event '%1'").arg(eventName_));
}

}  // namespace vantor
