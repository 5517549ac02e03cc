#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>

#include "ui/headless/headless.hpp"
#include "ui/platform.hpp"

namespace vh {

namespace {

struct Control {
    ControlSpec spec{};
    std::string text;
    std::vector<std::string> items;
    int selected = -1;
    bool checked = false;
};

struct Window {
    std::mutex lock;  // the stopwatch thread sets texts too
    std::map<int, Control> controls;
    std::vector<int> order;
    std::vector<std::string> captions, painted, opened;
    bool repaint = false;
    void (*caption_sink)(const char*) = nullptr;
};

std::atomic<bool> g_manual_clock{false};
std::atomic<bool> g_cancel{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set by a signal handler");
std::atomic<std::uint32_t> g_clock{0};

Window& window() {
    static Window w;
    return w;
}

Control* find(Window& w, int id) {
    auto it = w.controls.find(id);
    return it == w.controls.end() ? nullptr : &it->second;
}

template <class T>
std::vector<T> take(std::vector<T>& v) {
    std::vector<T> out;
    out.swap(v);
    return out;
}

}  // namespace

namespace platform {

void create_control(const ControlSpec& spec) {
    Window& w = window();
    std::lock_guard g(w.lock);
    Control& c = w.controls[spec.id];
    c = Control{};
    c.spec = spec;
    c.text = spec.text;
    w.order.push_back(spec.id);
}

void destroy_control(int id) {
    Window& w = window();
    std::lock_guard g(w.lock);
    w.controls.erase(id);
    std::erase(w.order, id);
}

std::size_t get_text(int id, char* buf, std::size_t limit) {
    Window& w = window();
    std::lock_guard g(w.lock);
    const Control* c = find(w, id);
    std::size_t n = 0;
    if (c) {
        n = c->text.size() < limit ? c->text.size() : limit;
        std::memcpy(buf, c->text.data(), n);
    }
    buf[n] = '\0';
    return n;
}

void set_text(int id, const char* text) {
    Window& w = window();
    std::lock_guard g(w.lock);
    if (Control* c = find(w, id)) c->text = text;
}

void add_item(int id, const char* text) {
    Window& w = window();
    std::lock_guard g(w.lock);
    if (Control* c = find(w, id)) c->items.emplace_back(text);
}

int selected_item(int id) {
    Window& w = window();
    std::lock_guard g(w.lock);
    const Control* c = find(w, id);
    return c ? c->selected : -1;
}

void select_item(int id, int index) {
    Window& w = window();
    std::lock_guard g(w.lock);
    Control* c = find(w, id);
    if (c && index >= 0 && index < static_cast<int>(c->items.size())) c->selected = index;
}

bool is_checked(int id) {
    Window& w = window();
    std::lock_guard g(w.lock);
    const Control* c = find(w, id);
    return c && c->checked;
}

void set_caption(const char* text) {
    Window& w = window();
    void (*sink)(const char*);
    {
        std::lock_guard g(w.lock);
        sink = w.caption_sink;
        // With a sink, captions stream out instead of piling up in memory.
        if (!sink) w.captions.emplace_back(text);
    }
    if (sink) sink(text);
}

std::uint32_t caption_interval_ms() { return 0; }

void request_repaint() {
    Window& w = window();
    std::lock_guard g(w.lock);
    w.repaint = true;
}

void draw_text(int, int, const char* text, std::size_t len) {
    Window& w = window();
    std::lock_guard g(w.lock);
    w.painted.emplace_back(text, len);
}

void draw_line(int, int, int, int) {}

std::uint32_t clock_ms() {
    if (g_manual_clock) return g_clock;
    using namespace std::chrono;
    return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void sleep_1ms() {
    if (g_manual_clock) {
        g_clock += 1;
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void open_with_viewer(const char* file_name) {
    Window& w = window();
    std::lock_guard g(w.lock);
    w.opened.emplace_back(file_name);
}

bool cancel_requested() { return g_cancel.load(std::memory_order_relaxed); }

}  // namespace platform

namespace headless {

void reset() {
    Window& w = window();
    std::lock_guard g(w.lock);
    w.controls.clear();
    w.order.clear();
    w.captions.clear();
    w.painted.clear();
    w.opened.clear();
    w.repaint = false;
    g_cancel = false;
}

bool exists(int id) {
    Window& w = window();
    std::lock_guard g(w.lock);
    return find(w, id) != nullptr;
}

ControlKind kind(int id) {
    Window& w = window();
    std::lock_guard g(w.lock);
    const Control* c = find(w, id);
    return c ? c->spec.kind : ControlKind::kPlain;
}

std::string text(int id) {
    Window& w = window();
    std::lock_guard g(w.lock);
    const Control* c = find(w, id);
    return c ? c->text : std::string();
}

std::vector<std::string> items(int id) {
    Window& w = window();
    std::lock_guard g(w.lock);
    const Control* c = find(w, id);
    return c ? c->items : std::vector<std::string>();
}

bool set_field(int id, const std::string& text) {
    Window& w = window();
    std::lock_guard g(w.lock);
    Control* c = find(w, id);
    if (!c || c->spec.kind != ControlKind::kEdit) return false;
    c->text = text;
    return true;
}

bool set_check(int id, bool on) {
    Window& w = window();
    std::lock_guard g(w.lock);
    Control* c = find(w, id);
    if (!c || c->spec.kind != ControlKind::kCheck) return false;
    c->checked = on;
    return true;
}

bool select(int id, int index) {
    Window& w = window();
    std::lock_guard g(w.lock);
    Control* c = find(w, id);
    if (!c || (c->spec.kind != ControlKind::kCombo && c->spec.kind != ControlKind::kComboNoTab)) return false;
    if (index < 0 || index >= static_cast<int>(c->items.size())) return false;
    c->selected = index;
    return true;
}

std::vector<std::string> take_captions() {
    Window& w = window();
    std::lock_guard g(w.lock);
    return take(w.captions);
}

std::vector<std::string> take_painted() {
    Window& w = window();
    std::lock_guard g(w.lock);
    return take(w.painted);
}

std::vector<std::string> take_opened() {
    Window& w = window();
    std::lock_guard g(w.lock);
    return take(w.opened);
}

bool take_repaint_request() {
    Window& w = window();
    std::lock_guard g(w.lock);
    const bool r = w.repaint;
    w.repaint = false;
    return r;
}

void on_caption(void (*sink)(const char* text)) {
    Window& w = window();
    std::lock_guard g(w.lock);
    w.caption_sink = sink;
}

void set_cancel(bool on) { g_cancel.store(on, std::memory_order_relaxed); }

void use_manual_clock(bool on) { g_manual_clock = on; }
void set_clock(std::uint32_t ms) { g_clock = ms; }

std::vector<int> control_ids() {
    Window& w = window();
    std::lock_guard g(w.lock);
    return w.order;
}

}  // namespace headless

}  // namespace vh
