// The program's door to the backup reader WZ_IB: binds its service table, turns the backup list
// into Device records, scans a device kind by kind on a worker into record vectors delivered by
// KindResultEvents, and loads the thumbnails of the picture kinds (thumbnail_task.cpp, on a
// ThumbnailQueue).
#pragma once

#include <plist/plist.h>
#include <wx/gdicmn.h>
#include <wx/string.h>

#include <cstdint>
#include <vector>

#include "domain/kind_obj.h"
#include "ib/wz_ib.h"

class wxEvtHandler;

class DomainIB {
  public:
    virtual ~DomainIB() = default;

    // Binds the library: CreateDataRecoveryService, kept for the whole run. Call once, before any
    // worker exists.
    static void CreateService();
    // Gives the table back with FreeiDeviceBackupService.
    static void FreeService();
    // The bound table (null before CreateService). UseService binds a table made elsewhere, for
    // instance a stand-in in a test; the caller keeps ownership of it.
    static DataRecoveryService* GetService();
    static void UseService(DataRecoveryService* service);

    // One new Device per listed backup, in the library's order; empty when there is none.
    // GUI thread, once per run.
    static std::vector<Device*> LoadDevices();

    // The node's string value decoded from UTF-8 (bad bytes become U+FFFD); empty for null, for
    // a node that is not a string and for an empty string.
    static wxString GetPlistString(plist_t node);
    // The same text as a new object that the caller owns.
    static wxString* NewPlistString(plist_t node);

    // Turns a kind's property list (an array of dictionaries, or null) into a new vector of the
    // kind's records (see Device::results for the types). Does not free the list. Null for a
    // kind above 10.
    static void* ConvertKindData(std::uint32_t kind, plist_t list);

    // The kind readers: ask the library for one kind of the device's backup, convert, free the
    // property list and queue one KindResultEvent (id = eventId, payload = the new vector) to
    // target. A kind without data still sends an empty vector.
    static void ReadCallHistory(Device* device, wxEvtHandler* target);
    static void ReadContacts(Device* device, wxEvtHandler* target);
    static void ReadMessages(Device* device, wxEvtHandler* target);
    static void ReadNotes(Device* device, wxEvtHandler* target);
    static void ReadSafari(Device* device, wxEvtHandler* target);
    static void ReadVoiceMemos(Device* device, wxEvtHandler* target);
    static void ReadCalendar(Device* device, wxEvtHandler* target, std::uint32_t kind, int eventId);
    static void ReadPhotos(Device* device, wxEvtHandler* target, std::uint32_t kind, int eventId);

    // TaskCallback: runs the eleven readers for the ScanRequest's device and target in the order
    // 0, 4, 5, 6, 7, 1, 2, 3, 8, 9, 10, then deletes the request.
    static void ScanTask(void* request);

    // TaskCallback: gives every Photo of the ScanRequest's photos a thumbnail that fits into
    // 100 x 100 (the theme's fallback picture when the file does not load), queues
    // ID_THUMBNAIL_BATCH per 20 records and ID_THUMBNAILS_DONE at the end, then deletes the
    // request.
    static void ThumbnailTask(void* request);

    // The size into which a picture of width x height is scaled: the longer side becomes 100
    // (a square gets 100 x 100), the other keeps the proportions, rounded down, and is at least
    // 1. Sizes below 1 give 0 x 0.
    static wxSize FitThumbnail(int width, int height);
};
