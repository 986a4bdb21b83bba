#pragma once
// Generated scenes with known activity, made by the ffmpeg command (the scenes must not come from
// our own encoder, whose pictures the detector might suit by accident).
//
// Every scene is 320x240 at 25 frames a second, H.264 with B-frames in MPEG-TS as recorders write
// it, named in the recorder's grammar so that its wall clock is known. The background is one
// still picture (the first of ffmpeg's Mandelbrot source, held) under sensor noise that changes
// every frame (noise=alls=12:allf=t). On it:
// - crossings: boxes of 0.6% to 3% of the picture moving across it, each shown only between two
//   known times (overlay=...:enable='between(t,A,B)' with x moving with t);
// - a slow change of light (eq brightness and contrast following t);
// - a flicker (eq brightness following a 2 Hz sine);
// - a "tree": a box that always moves (geq waves plus heavy noise) in the upper right.
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace TarvexTest {

struct ActivityScene {
    std::string name;  // the recording's file name
    int seconds;
    int gop;  // frames between keyframes; 0: the encoder's own choice (250)
    std::string inputs;  // extra lavfi inputs after the background ("-f lavfi -i ...")
    std::string filter;  // from [b], the noisy background, to the output
    std::vector<std::pair<double, double>> truth;  // where something moves, seconds from the start
};

inline std::string SceneBox(const char* colour, const char* size) {
    return std::string(" -f lavfi -i color=c=") + colour + ":s=" + size + ":r=25";
}

inline std::vector<ActivityScene> ActivityScenes() {
    const std::string tree =
        " -f lavfi -i \"nullsrc=s=80x80:r=25,geq=lum='128+70*sin(X/6+3*T+2*sin(Y/9+T))*cos(Y/5-2*T)':cb=128:cr=128,"
        "noise=alls=30:allf=t\"";
    return {
        {"CAM_ch1_20240315100000_20240315100045.rvf", 45, 50,
         SceneBox("0xE0E0E0", "22x22") + SceneBox("0x181818", "56x44") + SceneBox("0xC08040", "36x36"),
         "[b][1]overlay=x='10+(t-4)*70':y=170:enable='between(t,4,8)'[p];"
         "[p][2]overlay=x='270-(t-16)*20':y=30:enable='between(t,16,27)'[q];"
         "[q][3]overlay=x='20+(t-36)*110':y='20+(t-36)*70':enable='between(t,36,38.5)'",
         {{4, 8}, {16, 27}, {36, 38.5}}},
        {"CAM_ch2_20240315110000_20240315110040.rvf", 40, 0,
         SceneBox("0xF0F0F0", "28x28") + SceneBox("0x101010", "48x36"),
         "[b][1]overlay=x='30+(t-6)*100':y=110:enable='between(t,6,8.5)'[p];"
         "[p][2]overlay=x='20+(t-22)*14':y=190:enable='between(t,22,34)'",
         {{6, 8.5}, {22, 34}}},
        {"CAM_ch3_20240315120000_20240315120030.rvf", 30, 50, "",
         "[b]eq=eval=frame:brightness='-0.12+0.3*t/30':contrast='1-0.2*t/30'", {}},
        {"CAM_ch4_20240315130000_20240315130030.rvf", 30, 50, SceneBox("0xE8E8E8", "26x26"),
         "[b]eq=eval=frame:brightness='0.05*sin(2*PI*t*2)'[f];[f][1]overlay=x='310-(t-10)*75':y=140:enable='between(t,10,14)'",
         {{10, 14}}},
        {"CAM_ch5_20240315140000_20240315140030.rvf", 30, 50, tree + SceneBox("0xE0E0E0", "28x28") + SceneBox("0x101010", "28x28"),
         "[b][1]overlay=x=220:y=15[t];[t][2]overlay=x='10+(t-8)*25':y=190:enable='between(t,8,13)'[p];"
         "[p][3]overlay=x='190+(t-20)*6':y=110:enable='between(t,20,25)'",
         {{8, 13}, {20, 25}}},
        {"CAM_ch6_20240315150000_20240315150040.rvf", 40, 50, "", "[b]null", {}},
    };
}

// Writes the scene into `folder`; its path, or "" when ffmpeg failed.
inline std::string MakeActivityScene(const std::string& folder, const ActivityScene& s) {
    const std::string path = folder + "/" + s.name;
    const std::string command =
        "ffmpeg -v error -y -f lavfi -i 'mandelbrot=s=320x240:r=25,trim=end_frame=1,loop=loop=-1:size=1,setpts=N/25/TB'" +
        s.inputs + " -filter_complex \"[0]noise=alls=12:allf=t[b];" + s.filter + "\" -t " + std::to_string(s.seconds) +
        " -c:v libx264 -preset veryfast -bf 2" + (s.gop ? " -g " + std::to_string(s.gop) : std::string()) +
        " -pix_fmt yuv420p -f mpegts '" + path + "'";
    return std::system(command.c_str()) == 0 ? path : std::string();
}

}  // namespace TarvexTest
