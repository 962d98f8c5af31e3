// The control block and the message log of the stand-in host.
#include "host/host.h"

#include <atomic>
#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace qelfin::host {

namespace {

std::atomic<Host*> g_log_host{nullptr};
thread_local std::vector<Note>* t_sink = nullptr;

template <class F>
void* word_of(F* function) {
    return reinterpret_cast<void*>(function);
}

std::string shortest(double x) {
    char buffer[32];
    for (int precision = 1; precision <= 17; ++precision) {
        std::snprintf(buffer, sizeof buffer, "%.*g", precision, x);
        if (std::strtod(buffer, nullptr) == x) break;
    }
    return buffer;
}

}  // namespace

std::string note_text(const Note& note) {
    if (note.set == QELFIN_MESSAGE_SET && note.id == QELFIN_NOTE_SEVERAL_SIGN_CHANGES)
        return "NOTE: The cash flows given to " + note.function +
               " change sign more than once; the rate " + shortest(note.rate) +
               " may not be the only one.";
    if (note.set == QELFIN_MESSAGE_SET && note.id == QELFIN_NOTE_NO_MORE_NOTES)
        return "NOTE: " + note.function +
               " has written ten such notes for this call site; it will write no more.";
    return "NOTE: message " + std::to_string(note.id) + " of set " + std::to_string(note.set) + ".";
}

Host::Host() {
    service_vector30_[70] = word_of(&Host::log);
    service_vectors_[30] = service_vector30_.data();
    gcb_[GCB_SERVICE_VECTORS] = service_vectors_.data();
    gcb_[GCB_TSSVEC] = tss_.data();
    gcb_[GCB_COUNTER_POOL] = counter_pool_.handle();
    gcb_[GCB_VECTOR_POOL] = vector_pool_.handle();
    gcb_[GCB_TOOLKIT] = toolkit_.handle();
    tss_[30] = 0xFF;
}

Host::~Host() {
    Host* self = this;
    g_log_host.compare_exchange_strong(self, nullptr);
}

void Host::activate() { g_log_host.store(this); }

std::vector<Note> Host::notes() const {
    std::lock_guard lock(notes_mutex_);
    return notes_;
}

void Host::clear_notes() {
    std::lock_guard lock(notes_mutex_);
    notes_.clear();
}

void Host::collect_on_this_thread(std::vector<Note>* sink) { t_sink = sink; }

void Host::record(Note note) {
    note.text = note_text(note);
    if (t_sink != nullptr) t_sink->push_back(note);
    std::lock_guard lock(notes_mutex_);
    notes_.push_back(std::move(note));
}

// The host's log routine, reached by the module's xpmlog stub.  Note 201
// carries (double rate, const char* name), note 202 (const char* name).
void Host::log(int32_t set, int32_t id, ...) {
    Note note;
    note.set = set;
    note.id = id;
    va_list ap;
    va_start(ap, id);
    if (set == QELFIN_MESSAGE_SET && id == QELFIN_NOTE_SEVERAL_SIGN_CHANGES) {
        note.has_rate = true;
        note.rate = va_arg(ap, double);
        note.function = va_arg(ap, const char*);
    } else if (set == QELFIN_MESSAGE_SET && id == QELFIN_NOTE_NO_MORE_NOTES) {
        note.function = va_arg(ap, const char*);
    }
    va_end(ap);
    if (Host* host = g_log_host.load()) host->record(std::move(note));
}

}  // namespace qelfin::host
