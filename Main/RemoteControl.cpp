#include "Main/RemoteControl.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <functional>
#include <map>

#include "Base/DateTime.h"
#include "Base/LoopIds.h"
#include "Base/PostTask.h"
#include "Base/StreamConvert.h"
#include "Files/FileManager.h"
#include "Files/NamingRules.h"
#include "Main/ActivityKeeper.h"
#include "Main/ClockText.h"
#include "Main/EvidenceRun.h"
#include "Main/MainFrame_HelpLogic.h"
#include "Main/PlayCommands.h"
#include "Main/PlayWinManager_UILogic.h"
#include "Main/RecordNames.h"
#include "Toolkit/VideoWindow.h"

using nlohmann::json;

namespace {

// A request the caller got wrong: answered with this text, nothing done.
struct CBadRequest {
    std::string text;
};

std::string Utf8(const std::wstring& text) { return KX_SOFT_BASE::WideToUtf8(text); }
std::wstring Wide(const std::string& text) { return KX_SOFT_BASE::Utf8ToWide(text); }

std::string DateText(std::int64_t dayKey) { return ClockText(static_cast<double>(dayKey)).substr(0, 10); }

// The seconds of a "YYYY-MM-DD[ hh:mm:ss[.fff]]" (the fraction is read and dropped: a seek goes
// to a whole second).
std::int64_t ParseClock(const json& value, bool dateOnly) {
    if (!value.is_string()) throw CBadRequest{"a time is a text \"YYYY-MM-DD hh:mm:ss.fff\""};
    const std::string text = value.get<std::string>();
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    char rest = 0;
    const int read = std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &s, &rest);
    const bool ok = dateOnly ? read == 3 : (read == 6 || (read == 7 && rest == '.'));
    const std::int64_t seconds = ok ? KX_SOFT_BASE::DateTime::MakeTimeT(y, mo, d, h, mi, s) : 0;
    if (seconds <= 0) throw CBadRequest{"not a time: " + text};
    return seconds;
}

bool Flag(const json& args, std::size_t i) {
    if (args.size() <= i || !args[i].is_boolean()) throw CBadRequest{"expected true or false"};
    return args[i].get<bool>();
}

long long Number(const json& args, std::size_t i) {
    if (args.size() <= i || !args[i].is_number_integer()) throw CBadRequest{"expected a whole number"};
    return args[i].get<long long>();
}

std::string Text(const json& args, std::size_t i) {
    if (args.size() <= i || !args[i].is_string()) throw CBadRequest{"expected a text"};
    return args[i].get<std::string>();
}

// "1/64".."64", with or without its "X", or the number itself.
int SpeedPosition(const json& value) {
    for (int p = 0; p < kSpeedPositions; ++p) {
        const std::string label = Utf8(SpeedAt(p).label);  // "1/64X"
        if (value.is_string()) {
            const std::string given = value.get<std::string>();
            if (given == label || given + "X" == label) return p;
        } else if (value.is_number() && std::fabs(value.get<double>() - SpeedAt(p).factor) < 1e-6) {
            return p;
        }
    }
    throw CBadRequest{"no such speed (1/64 to 64)"};
}

// "YYYY-MM-DD hh:mm:ss[.fff]" to local seconds, with its fraction.
double ParseClockExact(const json& value) {
    double seconds = 0;
    if (!value.is_string() || !ParseClockText(value.get<std::string>(), &seconds))
        throw CBadRequest{"a time is a text \"YYYY-MM-DD hh:mm:ss.fff\""};
    return seconds;
}

double Fraction(const json& args, std::size_t i) {
    if (args.size() <= i || !args[i].is_number()) throw CBadRequest{"expected a number"};
    return args[i].get<double>();
}

json Result(const CCommandResult& r) {
    if (!r.ok) throw CBadRequest{Utf8(r.error)};
    return r.file.empty() ? json() : json{{"file", Utf8(r.file)}};
}

}  // namespace

CRemoteControl::CRemoteControl(IPlayCommandHost* host) : m_host(host) {}

CRemoteControl::~CRemoteControl() {
    if (m_socket) SetUserEventObserver(nullptr);
}

int CRemoteControl::Listen(const std::string& path, std::string* error) {
    auto socket = std::make_unique<CKXRemoteSocket>(this);
    if (!socket->Listen(path, error)) return 0;
    m_socket = std::move(socket);
    SetUserEventObserver(this);
    return 1;
}

void CRemoteControl::OnRemoteLine(int client, const std::string& line) {
    const boost::weak_ptr<CRemoteControl> self = shared_from_this();
    Execute(line, [self, client](const std::string& answer) {
        auto control = self.lock();
        if (control && control->m_socket) control->m_socket->Send(client, answer);
    });
}

void CRemoteControl::OnMessageShown(const char* kind, const std::wstring& text) {
    if (m_socket) m_socket->Broadcast(json{{"event", kind}, {"text", Utf8(text)}}.dump());
}

void CRemoteControl::OnFileEnd(int window, const std::wstring& path) {
    if (m_socket) m_socket->Broadcast(json{{"event", "file-end"}, {"window", window}, {"file", Utf8(path)}}.dump());
}

void CRemoteControl::Execute(const std::string& line, const Reply& reply) {
    json request, id;
    try {
        request = json::parse(line);
    } catch (const json::exception&) {
        reply(json{{"error", "the request is not JSON"}}.dump());
        return;
    }
    if (request.is_object() && request.contains("request_id")) id = request["request_id"];
    auto answer = [reply, id](const std::string& error, const json& data) {
        json out{{"request_id", id}, {"error", error}};
        if (error == "success") out["data"] = data;
        reply(out.dump(-1, ' ', false, json::error_handler_t::replace));
    };
    const json* command = request.is_object() && request.contains("command") ? &request["command"] : nullptr;
    if (!command || !command->is_array() || command->empty() || !(*command)[0].is_string()) {
        answer("a request is {\"command\": [\"name\", arguments...]}", json());
        return;
    }
    const std::string name = (*command)[0].get<std::string>();
    const json args(command->begin() + 1, command->end());
    auto ui = m_host->PlayUILogic();
    IPlayWindowsFace* windows = m_host->PlayWindows();
    CPlayCommands* commands = windows ? windows->Commands() : nullptr;
    if (!ui || !commands) {
        answer("the play windows are not ready", json());
        return;
    }
    CKXVideoWindow* grid = windows->VideoWindow();

    auto state = [&] {
        const CPlayState& s = ui->State();
        return json{{"playing", s.playing},
                    {"speed", Utf8(SpeedAt(s.speedPosition).label)},
                    {"direction", s.forward ? "forward" : "backward"},
                    {"sync", s.sync},
                    {"repeat", s.repeat},
                    {"muted", s.muted},
                    {"volume", s.volume},
                    {"layout", s.layout},
                    {"focus", s.focus},
                    {"fullscreen", m_host->IsFullScreen() != 0}};
    };
    auto windowList = [&] {
        json list = json::array();
        const unsigned int groupTime = ui->GroupTime();
        for (int w = 0; w < ui->State().layout; ++w) {
            json item{{"window", w}, {"file", nullptr}, {"device", nullptr}, {"channel", nullptr},
                      {"stream", nullptr}, {"time", nullptr}, {"frame", nullptr},
                      {"drawn", grid ? grid->GetFramesShown(w) : 0u}, {"dropped", ui->PositionOf(w).dropped},
                      {"waiting", false}, {"at_end", false}};
            if (const PlayRecord* r = ui->Tables().CurrentRecord(w)) {
                item["file"] = Utf8(r->path);
                CNamingRuleParser parsed;
                if (r->channelCode != -1 && ParseFileName(FileNameOf(r->path), parsed)) {
                    item["device"] = Utf8(parsed.deviceName);
                    item["channel"] = r->channelCode & 0xFFFFFF;
                    item["stream"] = static_cast<std::uint32_t>(r->channelCode) >> 24;
                }
                const CWindowPosition at = ui->PositionOf(w);
                if (at.wallClock >= 1) item["time"] = ClockText(at.wallClock);
                if (at.frame >= 0) item["frame"] = at.frame;
                item["waiting"] = ui->State().sync && groupTime && !SpanHolds(*r, groupTime);
                item["at_end"] = r->atEnd != 0;
            }
            list.push_back(item);
        }
        return list;
    };
    // Each window's files (current first) and the events of those profiled so far.
    auto activity = [&] {
        json list = json::array();
        const auto keeper = ui->Activity();
        for (int w = 0; w < ui->State().layout; ++w) {
            json files = json::array();
            for (const PlayRecord* r : ui->Tables().AllRecords()) {
                if (r->context != w) continue;
                const MOVRA::ActivityResult* profile = keeper ? keeper->Find(r->path) : nullptr;
                json events = json::array();
                if (profile)
                    for (const MOVRA::ActivitySpan& span : profile->spans)
                        events.push_back({{"start", ClockText(profile->startWallClock + span.start)},
                                          {"end", ClockText(profile->startWallClock + span.end)},
                                          {"peak", ClockText(profile->startWallClock + span.peak)}});
                files.push_back({{"file", Utf8(r->path)}, {"profiled", profile != nullptr}, {"events", events}});
            }
            list.push_back({{"window", w}, {"files", files}});
        }
        return list;
    };
    auto selection = [&] {
        long long from = 0, to = 0;
        ITimeLineFace* timeline = windows->TimeLine();
        if (!timeline || !timeline->GetSelection(&from, &to)) return json();
        return json{{"from", ClockText(static_cast<double>(from))}, {"to", ClockText(static_cast<double>(to))}};
    };
    // The statistics view's figures: over the last second, once sampling has run that long.
    auto statistics = [&] {
        json list = json::array();
        for (const CWindowStats& f : ui->Stats())
            list.push_back({{"window", f.window}, {"codec", f.codec}, {"width", f.width}, {"height", f.height},
                            {"fps", f.frameRate}, {"bitrate", f.bitRate}, {"drawn", f.drawn}, {"dropped", f.dropped},
                            {"decode_ms", f.decodeMs}, {"relief", f.relief}});
        return list;
    };
    // The catalogue lives on the helper loop: listed there, answered from here.
    auto listing = [&] {
        auto help = windows->HelpLogic();
        auto catalogue = help ? help->Catalogue() : nullptr;
        if (!catalogue) return answer("the catalogue is not ready", json());
        KX_POST_FUNCTION(TarvexBase::ML_HELPER, ([catalogue, answer] {
                             json devices = json::array();
                             for (const auto& [device, entry] : catalogue->Devices()) {
                                 json days = json::array();
                                 for (const auto& [dayKey, day] : entry.days) {
                                     json channels = json::array();
                                     for (const auto& [code, channel] : day.channels) {
                                         json files = json::array();
                                         for (const auto& [start, file] : channel.files) files.push_back(Utf8(file->path));
                                         channels.push_back({{"channel", code & 0xFFFFFF},
                                                             {"stream", static_cast<std::uint32_t>(code) >> 24},
                                                             {"files", files}});
                                     }
                                     days.push_back({{"date", DateText(dayKey)}, {"channels", channels}});
                                 }
                                 devices.push_back({{"name", Utf8(device)}, {"days", days}});
                             }
                             std::vector<_SINGLE_FILE_INFO> singles;
                             catalogue->FillSingleList(singles);
                             json ungrouped = json::array();
                             for (const auto& single : singles) ungrouped.push_back(Utf8(single.path));
                             const json data{{"devices", devices}, {"ungrouped", ungrouped}};
                             KX_POST_FUNCTION(TarvexBase::ML_MAIN, ([answer, data] { answer("success", data); }));
                         }));
    };

    using Handler = std::function<json()>;
    const std::map<std::string, Handler> table = {
        {"open", [&] { return Result(commands->OpenPath(Wide(Text(args, 0)))); }},
        {"open-file", [&] { return Result(commands->OpenPath(Wide(Text(args, 0)))); }},
        {"open-day",
         [&] {
             return Result(commands->OpenDay(Wide(Text(args, 0)), static_cast<std::int32_t>(ParseClock(args.at(1), true))));
         }},
        {"open-channel",
         [&] {
             const std::int32_t code = MakeChannelCode(static_cast<int>(Number(args, 2)), static_cast<int>(Number(args, 3)));
             return Result(commands->OpenChannel(Wide(Text(args, 0)), static_cast<std::int32_t>(ParseClock(args.at(1), true)),
                                                 code));
         }},
        {"play", [&] { return Result(commands->SetPlaying(true)); }},
        {"pause", [&] { return Result(commands->SetPlaying(false)); }},
        {"stop", [&] { return Result(commands->Stop()); }},
        {"step",
         [&] {
             const long long step = Number(args, 0);
             if (step != 1 && step != -1) throw CBadRequest{"a step is 1 or -1"};
             return Result(commands->Step(step == 1));
         }},
        {"speed",
         [&] {
             if (args.empty()) throw CBadRequest{"which speed?"};
             return Result(commands->SetSpeed(SpeedPosition(args[0])));
         }},
        {"reverse", [&] { return Result(commands->SetReverse(Flag(args, 0))); }},
        {"sync", [&] { return Result(commands->SetSync(Flag(args, 0))); }},
        {"repeat", [&] { return Result(commands->SetRepeat(Flag(args, 0))); }},
        {"mute", [&] { return Result(commands->SetMute(Flag(args, 0))); }},
        {"volume", [&] { return Result(commands->SetVolume(static_cast<int>(Number(args, 0)))); }},
        {"seek",
         [&] {
             if (args.empty()) throw CBadRequest{"seek to which time?"};
             return Result(commands->Seek(static_cast<unsigned int>(ParseClock(args[0], false))));
         }},
        {"layout", [&] { return Result(commands->SetLayout(static_cast<int>(Number(args, 0)))); }},
        {"focus", [&] { return Result(commands->Focus(static_cast<int>(Number(args, 0)))); }},
        {"fullscreen", [&] { return Result(commands->FullScreen(Flag(args, 0))); }},
        {"snapshot", [&] { return Result(commands->Snapshot(static_cast<int>(Number(args, 0)))); }},
        {"record", [&] { return Result(commands->Record(static_cast<int>(Number(args, 0)), Flag(args, 1))); }},
        {"close-window", [&] { return Result(commands->CloseWindow(static_cast<int>(Number(args, 0)))); }},
        {"quit", [&] { return Result(commands->Quit()); }},
        {"next-activity", [&] { return Result(commands->JumpToActivity(true)); }},
        {"previous-activity", [&] { return Result(commands->JumpToActivity(false)); }},
        {"get",
         [&] {
             const std::string what = Text(args, 0);
             if (what == "state") return state();
             if (what == "windows") return windowList();
             if (what == "stats") return statistics();
             if (what == "activity") return activity();
             if (what == "selection") return selection();
             throw CBadRequest{"get \"state\", \"windows\", \"stats\", \"activity\" or \"selection\""};
         }},
    };
    // The long ones answer when they end; a refusal answers at once.
    auto exportEvidence = [&] {
        const double from = ParseClockExact(args.at(0)), to = ParseClockExact(args.at(1));
        const std::string folder = Text(args, 2), note = args.size() > 3 ? Text(args, 3) : std::string();
        const CCommandResult r = commands->ExportEvidence(from, to, Wide(folder), Wide(note), [answer](const CCommandResult& done) {
            if (done.ok)
                answer("success", json{{"folder", Utf8(done.file)}});
            else
                answer(Utf8(done.error), json());
        });
        if (!r.ok) answer(Utf8(r.error), json());
    };
    auto searchMotion = [&] {
        const int window = static_cast<int>(Number(args, 0));
        const double x = Fraction(args, 1), y = Fraction(args, 2), w = Fraction(args, 3), h = Fraction(args, 4);
        const CCommandResult r = commands->SearchMotion(
            window, x, y, w, h, 0, 0, [answer](bool cancelled, const std::vector<CMotionEvent>& events) {
                if (cancelled) return answer("the search was cancelled", json());
                json list = json::array();
                for (const CMotionEvent& e : events) {
                    json item{{"file", e.file}, {"start", ClockText(e.start)}, {"end", ClockText(e.end)},
                              {"peak", ClockText(e.peak)}, {"score", std::round(e.score * 1e4) / 1e4}};
                    if (!e.thumbnail.empty()) item["thumb"] = e.thumbnail;
                    list.push_back(item);
                }
                answer("success", json{{"events", list}});
            });
        if (!r.ok) answer(Utf8(r.error), json());
    };
    if (name == "list") return listing();
    if (name == "export-evidence" || name == "search-motion") {
        try {
            name == "export-evidence" ? exportEvidence() : searchMotion();
        } catch (const CBadRequest& bad) {
            answer(bad.text, json());
        } catch (const json::exception&) {
            answer("the command's arguments do not fit it", json());
        }
        return;
    }
    const auto handler = table.find(name);
    if (handler == table.end()) return answer("unknown command: " + name, json());
    try {
        const json data = handler->second();
        answer("success", data);
    } catch (const CBadRequest& bad) {
        answer(bad.text, json());
    } catch (const json::exception&) {
        answer("the command's arguments do not fit it", json());
    }
}
