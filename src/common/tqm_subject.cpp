#include "common/tqm_subject.h"

#include <algorithm>

TqmObserver::~TqmObserver() = default;

TqmSubject::~TqmSubject() = default;

void TqmSubject::Attach(TqmObserver* observer) {
    observers_.push_back(observer);
}

void TqmSubject::Detach(TqmObserver* observer) {
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

void TqmSubject::Notify(TqmCode code) {
    for (TqmObserver* observer : observers_) observer->Update(this, code);
}
