#include "kind/reader_query.h"

#include "kind/calendar/calendar.h"
#include "kind/call/call_history.h"
#include "kind/contact/contact.h"
#include "kind/note/note.h"
#include "kind/photo/photo.h"
#include "kind/recording/recording.h"
#include "kind/safari/history.h"
#include "kind/sms/sms.h"
#include "kind/sms/sms_attachment.h"

namespace ib {

std::vector<ReaderQuery> ReaderQueries() {
    std::vector<ReaderQuery> all;
    for (auto queries :
         {CallHistory::Queries, Contact::Queries, Sms::Queries, SmsAttachment::Queries,
          Note::Queries, History::Queries, Calendar::Queries, Recording::Queries, Photo::Queries}) {
        for (const ReaderQuery& query : queries()) all.push_back(query);
    }
    return all;
}

}  // namespace ib
