#include "datagen/SampleDataList.h"

namespace datagen {

const char* const TRACK_DIRECTORIES[TRACK_COUNT] = {"Finland", "Cambodia", "Mexico", "UK",     "Tanzania",
                                                    "USA",     "Germany",  "Egypt",  "Hawaii", "Finland2"};

namespace {

std::vector<std::string> BuildList()
{
    std::vector<std::string> paths = {
        // Settings
        "Game.cfg",
        "Data\\Sound.cfg",
        // Fonts
        "Data\\Font.dat",
        "Data\\MenuFont.dat",
        "Graphics\\Textures\\Font.dds",
        "Graphics\\Textures\\MenuFontUp.dds",
        "Graphics\\Textures\\MenuFontDown.dds",
        // Front end pictures
        "Graphics\\Textures\\LoadingBase.dds",
        "Graphics\\Textures\\Title.dds",
        "Graphics\\Textures\\InGameMenu.dds",
        "Graphics\\Textures\\Morvane.dds",
        "Graphics\\Textures\\PelloraLogo.dds",
        "Graphics\\Textures\\Background.dds",
        "Graphics\\Textures\\Headers.dds",
        // Race display
        "Graphics\\Textures\\SpeedMeter.dds",
        "Graphics\\Textures\\SpeedStick.dds",
        "Graphics\\Textures\\CountDown\\go.dds",
        "Graphics\\Textures\\CountDown\\one.dds",
        "Graphics\\Textures\\CountDown\\two.dds",
        "Graphics\\Textures\\CountDown\\three.dds",
        "Graphics\\Textures\\CountDown\\four.dds",
        "Graphics\\Textures\\CountDown\\five.dds",
        "Graphics\\Textures\\MapSysPlayer.dds",
        "Graphics\\Textures\\BoostBase.dds",
        // Moped, rider and effects
        "Graphics\\Models\\MopedBody.qvx",
        "Graphics\\Models\\MopedHandlebar.qvx",
        "Graphics\\Models\\MopedTyre.qvx",
        "Graphics\\Models\\Player.qvx",
        "Graphics\\Textures\\Moped.dds",
        "Graphics\\Textures\\Player.dds",
        "Graphics\\Textures\\Smoke.dds",
        "Graphics\\Textures\\BackLight.dds",
        // Shared by the tracks
        "Graphics\\Models\\FinishPole.x",
        "Graphics\\Textures\\FinishPole.dds",
        "Graphics\\Textures\\Rain.dds",
        "Graphics\\Textures\\LensFlare\\Flare0.dds",
        "Graphics\\Textures\\LensFlare\\Flare1.dds",
        "Graphics\\Textures\\LensFlare\\Flare2.dds",
        "Graphics\\Textures\\LensFlare\\Flare3.dds",
        "Graphics\\Textures\\LensFlare\\Flare4.dds",
        "Graphics\\Textures\\LensFlare\\Flare5.dds",
        // Sounds
        "Audio\\Sounds\\Click.wav",
        "Audio\\Sounds\\Rain.wav",
        "Audio\\Sounds\\CountDown.wav",
        "Audio\\Sounds\\Go.wav",
        "Audio\\Sounds\\NewLapDriven.wav",
        "Audio\\Sounds\\Applause.wav",
        "Audio\\Sounds\\Engine.wav",
        "Audio\\Sounds\\EngineIdle.wav",
        "Audio\\Sounds\\Crash.wav",
        "Audio\\Sounds\\GearChange.wav",
        "Audio\\Sounds\\EngineStart.wav",
        "Audio\\Music\\Menu.ogg",
    };
    for (const char* track : TRACK_DIRECTORIES) {
        const std::string name(track);
        paths.push_back("Graphics\\Textures\\TrackImages\\" + name + ".dds");
        paths.push_back("Audio\\Music\\" + name + ".ogg");
        paths.push_back("Data\\Tracks\\" + name + "\\Records.bt");
    }
    return paths;
}

} // namespace

const std::vector<std::string>& SampleDataPaths()
{
    static const std::vector<std::string> paths = BuildList();
    return paths;
}

} // namespace datagen
