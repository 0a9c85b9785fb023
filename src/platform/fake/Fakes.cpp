// The fakes are header-only; this unit gives the library something to build
// and makes moc see their Q_OBJECT classes.
#include "platform/fake/FakeDesktopNotifications.h"
#include "platform/fake/FakeInstanceList.h"
#include "platform/fake/FakeNotifyArea.h"
#include "platform/fake/FakeServices.h"
