// Checks a log against the frame loop's order: every frame's lines, once
// the lines of object creation and restarts are set aside, are exactly the
// world update's stages followed by either the play screen's or the start
// screen's steps.
#pragma once

#include <set>
#include <string>
#include <vector>

inline bool IsEventLine(const std::string& line) {
    static const std::set<std::string> events = {"Schuss erstellt",
                                                 "Gegnerschuss erstellen",
                                                 "Gegner erstellt",
                                                 "Gro\337en Asteroiden erstellt",
                                                 "Kleine Asteroiden erstellt",
                                                 "Explosion erstellt",
                                                 "Item erstellt",
                                                 "Spiel zur\374ckgesetzt"};
    return events.count(line) != 0;
}

struct FrameLogSummary {
    int playFrames = 0;
    int screenFrames = 0;
    std::string firstError;  // empty when every frame is in order
};

// lines: the whole log; startupLines: how many lines precede the first frame.
inline FrameLogSummary CheckFrameLog(const std::vector<std::string>& lines, size_t startupLines) {
    static const std::vector<std::string> update = {"A", "B", "C", "D", "E",
                                                    "F", "G", "H", "I", "Spielupdate abgeschlossen"};
    static const std::vector<std::string> play = {"Framerate berechnet",
                                                  "Eingaben \374berpr\374ft",
                                                  "Hintergrund gezeichnet",
                                                  "Sternenfeld gezeichnet",
                                                  "HUD gezeichnet",
                                                  "Spieler updatet",
                                                  "Gezeichnet",
                                                  "Objekte gezeichnet",
                                                  "Textausgaben",
                                                  "Scene ended"};
    static const std::vector<std::string> screen = {"Hintergrund gezeichnet", "Vantora gezeichnet", "Gezeichnet",
                                                    "Objekte gezeichnet",     "Textausgabe",        "Scene ended"};
    FrameLogSummary summary;
    std::vector<std::string> frame;
    int frameNumber = 0;
    for (size_t i = startupLines; i < lines.size(); ++i) {
        if (IsEventLine(lines[i])) continue;
        frame.push_back(lines[i]);
        if (lines[i] != "Scene ended") continue;
        ++frameNumber;
        std::vector<std::string> asPlay = update, asScreen = update;
        asPlay.insert(asPlay.end(), play.begin(), play.end());
        asScreen.insert(asScreen.end(), screen.begin(), screen.end());
        if (frame == asPlay) {
            ++summary.playFrames;
        } else if (frame == asScreen) {
            ++summary.screenFrames;
        } else if (summary.firstError.empty()) {
            summary.firstError =
                "frame " + std::to_string(frameNumber) + " out of order near line " + std::to_string(i + 1);
        }
        frame.clear();
    }
    // What follows the last frame is the release on Escape, if anything.
    if (summary.firstError.empty() && !frame.empty() && !(frame.size() == 1 && frame[0] == " Objekt(e) Freigegeben")) {
        summary.firstError = "incomplete last frame: " + frame.back();
    }
    return summary;
}
