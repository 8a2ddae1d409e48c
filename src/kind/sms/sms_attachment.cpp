#include "kind/sms/sms_attachment.h"

plist_t SmsAttachment::GetData(Mbdb* /*mbdb*/, int /*typeFilter*/) { return nullptr; }
