#include "host/standin/standin.h"

namespace qelfin::standin {

Host::Host() {
    set_counter_pool(&counter_pool_);
    set_vector_pool(&vector_pool_);
    set_scratch(&toolkit_);
    set_note_sink(this);
}

std::vector<Note> Host::notes() const {
    std::lock_guard lock(notes_mutex_);
    return notes_;
}

void Host::clear_notes() {
    std::lock_guard lock(notes_mutex_);
    notes_.clear();
}

void Host::note(const Note& n) {
    std::lock_guard lock(notes_mutex_);
    notes_.push_back(n);
}

}  // namespace qelfin::standin
