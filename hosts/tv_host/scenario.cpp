#include "hosts/tv_host/scenario.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "hosts/common/cp1250.h"
#include "hosts/common/decimal_number.h"
#include "hosts/common/text_file.h"

namespace {

constexpr std::string_view kDefaultScenario = R"(# The built-in scenario of tvhost. Texts are UTF-8; the host stores them as Windows-1250.
service tv 1 "TVP Łódź" "Telewizja Północ" "20:00  Wiadomości"
service tv 2 "Kanał Sport" "Sport Polska" "20:15  Żużel: finał sezonu"
service radio 3 "Radio Kraków" "Polskie Radio" "20:00  Muzyczna środa"
service other 4 "Dane EPG" "Operator" ""
signal 82 64
volume 40
at 3 zap 2
at 6 pause
at 8 play
at 10 record on
at 12 mute on
at 14 mute off
at 15 volume 65
at 17 zap 3
at 20 file "D:\nagrania\Żużel - finał.ts"
at 23 stop
at 24 live
at 25 zap 1
at 26 record off
at 27 menu 40062
at 30 quit
)";

struct Line {
    int number;
    std::vector<std::string> words;
};

// Splits a line into words; a double-quoted text is one word (quotes removed).
bool SplitWords(std::string_view text, std::vector<std::string>* words, std::string* error) {
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ' || text[i] == '\t' || text[i] == '\r') {
            ++i;
        } else if (text[i] == '#') {
            break;
        } else if (text[i] == '"') {
            std::size_t end = text.find('"', i + 1);
            if (end == std::string_view::npos) {
                *error = "a text is not closed with \"";
                return false;
            }
            words->emplace_back(text.substr(i + 1, end - i - 1));
            i = end + 1;
            // A quote inside a text would otherwise end it early and the rest pass as a word.
            if (i < text.size() && std::string_view(" \t\r#").find(text[i]) == std::string_view::npos) {
                *error = "a quote ends the text \"" + words->back() + "\" early; a text cannot hold a quote";
                return false;
            }
        } else {
            std::size_t end = text.find_first_of(" \t\r#", i);
            if (end == std::string_view::npos) end = text.size();
            words->emplace_back(text.substr(i, end - i));
            i = end;
            if (words->back().find('"') != std::string::npos) {
                *error = "a quote inside the word " + words->back() + "; a text goes in quotes as a whole";
                return false;
            }
        }
    }
    return true;
}

bool ToInt(const std::string& word, int* value) {
    auto [end, status] = std::from_chars(word.data(), word.data() + word.size(), *value);
    return status == std::errc() && end == word.data() + word.size();
}

// The command lines' grammar: "0x10" or "1e1" never quietly means a time.
bool ToSeconds(const std::string& word, int* ms) {
    double seconds = 0;
    if (!ParseDecimalNumber(word, &seconds) || !(seconds >= 0) || seconds > 86400) return false;
    *ms = static_cast<int>(std::lround(seconds * 1000));
    return true;
}

class Parser {
public:
    Parser(Scenario* scenario, std::string* error) : scenario_(scenario), error_(error) {}

    bool ParseLine(const Line& line) {
        const auto& w = line.words;
        line_ = line.number;
        if (w.empty()) return true;
        if (w[0] == "service") return Service(w);
        if (w[0] == "signal")
            return Count(w, 3) && Percent(w[1], "the quality", &scenario_->quality) &&
                   Percent(w[2], "the level", &scenario_->level);
        if (w[0] == "volume") return Count(w, 2) && Percent(w[1], "the volume", &scenario_->volume);
        if (w[0] == "at") return At(w);
        return Fail("unknown command \"" + w[0] + "\"");
    }

    bool Finish() {
        if (scenario_->services.empty()) return Fail("the scenario has no service");
        for (const TimedEvent& event : scenario_->events) {
            if (event.action != Action::kZap) continue;
            bool known = std::any_of(scenario_->services.begin(), scenario_->services.end(),
                                     [&](const ::Service& s) { return s.number == event.value; });
            if (!known)
                return Fail("line " + std::to_string(event.line) + ": no service has the number " +
                            std::to_string(event.value));
        }
        std::stable_sort(scenario_->events.begin(), scenario_->events.end(),
                         [](const TimedEvent& a, const TimedEvent& b) { return a.atMs < b.atMs; });
        return true;
    }

private:
    bool Fail(const std::string& message) {
        *error_ = message;
        return false;
    }
    bool Count(const std::vector<std::string>& w, std::size_t count) {
        if (w.size() == count) return true;
        return Fail(w[0] + " takes " + std::to_string(count - 1) + " value(s)");
    }
    bool Number(const std::string& word, int* value) {
        return ToInt(word, value) ||
               Fail("\"" + word + "\" is not a whole number from -2147483648 to 2147483647");
    }
    // Volumes and signal figures are percentages in the host's records.
    bool Percent(const std::string& word, const char* what, int* value) {
        if (!Number(word, value)) return false;
        return (*value >= 0 && *value <= 100) ||
               Fail(std::string(what) + " is 0 to 100, not " + std::to_string(*value));
    }
    // Only the plug-in's own items are on the menu, so another number could never be chosen.
    bool MenuItem(const std::string& word, int* value) {
        if (!Number(word, value)) return false;
        return (*value >= kFirstMenuItem && *value <= kLastMenuItem) ||
               Fail("the plug-in's menu items are " + std::to_string(kFirstMenuItem) + " to " +
                    std::to_string(kLastMenuItem) + ", not " + std::to_string(*value));
    }
    bool Text(const std::string& utf8, std::size_t width, const char* what, std::string* out) {
        std::string message;
        if (!Utf8ToCp1250(utf8, out, &message)) return Fail(message);
        if (out->size() >= width)
            return Fail(std::string(what) + " is longer than " + std::to_string(width - 1) + " bytes");
        return true;
    }

    bool Service(const std::vector<std::string>& w) {
        if (!Count(w, 6)) return false;
        ::Service service{};
        if (w[1] == "tv") service.kind = kServiceTv;
        else if (w[1] == "radio") service.kind = kServiceRadio;
        else if (w[1] == "other") service.kind = kServiceOther;
        else return Fail("a service is tv, radio or other, not \"" + w[1] + "\"");
        return Number(w[2], &service.number) && Unused(service.number) &&
               Text(w[3], 32, "the name", &service.name) && Text(w[4], 32, "the provider", &service.provider) &&
               Text(w[5], 1024, "the event", &service.event) && (scenario_->services.push_back(service), true);
    }

    // A zap names a service by its number, so two services with one number make it ambiguous.
    bool Unused(int number) {
        bool used = std::any_of(scenario_->services.begin(), scenario_->services.end(),
                                [&](const ::Service& s) { return s.number == number; });
        return !used || Fail("another service already has the number " + std::to_string(number));
    }

    bool OnOff(const std::vector<std::string>& w, TimedEvent* event) {
        if (!Count(w, 4)) return false;
        if (w[3] != "on" && w[3] != "off") return Fail(w[2] + " is on or off, not \"" + w[3] + "\"");
        event->value = w[3] == "on";
        return true;
    }

    bool Add(TimedEvent event) {
        event.line = line_;
        scenario_->events.push_back(event);
        return true;
    }

    bool At(const std::vector<std::string>& w) {
        struct Named {
            const char* name;
            Action action;
        };
        static constexpr Named kPlain[] = {{"pause", Action::kPause}, {"play", Action::kPlay},
                                           {"stop", Action::kStop},   {"live", Action::kLive},
                                           {"quit", Action::kQuit}};
        static constexpr Named kNumbered[] = {
            {"zap", Action::kZap}, {"volume", Action::kVolume}, {"menu", Action::kMenu}};
        static constexpr Named kSwitched[] = {{"record", Action::kRecord}, {"mute", Action::kMute}};

        TimedEvent event{};
        if (w.size() < 3) return Fail("at needs a time and an event");
        if (!ToSeconds(w[1], &event.atMs))
            return Fail("\"" + w[1] + "\" is not a time in seconds from 0 to 86400");
        const std::string& what = w[2];
        for (const Named& named : kPlain) {
            if (what != named.name) continue;
            event.action = named.action;
            return Count(w, 3) && Add(event);
        }
        for (const Named& named : kNumbered) {
            if (what != named.name) continue;
            event.action = named.action;
            if (!Count(w, 4)) return false;
            bool valid = event.action == Action::kVolume ? Percent(w[3], "the volume", &event.value)
                         : event.action == Action::kMenu ? MenuItem(w[3], &event.value)
                                                         : Number(w[3], &event.value);
            return valid && Add(event);
        }
        for (const Named& named : kSwitched) {
            if (what != named.name) continue;
            event.action = named.action;
            return OnOff(w, &event) && Add(event);
        }
        if (what == "file") {
            event.action = Action::kFile;
            return Count(w, 4) && Text(w[3], 1024, "the path", &event.text) && Add(event);
        }
        return Fail("unknown event \"" + what + "\"");
    }

    static constexpr int kFirstMenuItem = 40060;
    static constexpr int kLastMenuItem = 40063;

    Scenario* scenario_;
    std::string* error_;
    int line_ = 0;
};

}  // namespace

bool ParseScenario(std::string_view text, Scenario* scenario, std::string* error) {
    *scenario = Scenario{};
    Parser parser(scenario, error);
    int number = 0;
    for (std::string_view line : SplitLines(text)) {
        ++number;
        Line parsed{number, {}};
        std::string message;
        if (!SplitWords(line, &parsed.words, &message) || !parser.ParseLine(parsed)) {
            *error = "line " + std::to_string(number) + ": " + (message.empty() ? *error : message);
            return false;
        }
    }
    return parser.Finish();
}

std::string_view DefaultScenarioText() { return kDefaultScenario; }
