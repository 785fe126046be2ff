#include "datagen/SampleDataList.h"

namespace datagen {

const char* const TRACK_DIRECTORIES[TRACK_COUNT] = {"Finland", "Cambodia", "Mexico", "UK",     "Tanzania",
                                                    "USA",     "Germany",  "Egypt",  "Hawaii", "Finland2"};

namespace {

std::vector<std::string> BuildPlayerList()
{
    std::vector<std::string> paths = {"Game.cfg", "Data\\Sound.cfg"};
    for (const char* track : TRACK_DIRECTORIES)
        paths.push_back(std::string("Data\\Tracks\\") + track + "\\Records.bt");
    return paths;
}

std::vector<std::string> BuildList()
{
    std::vector<std::string> paths = {
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
    // Settings and best times.
    paths.insert(paths.end(), PlayerFilePaths().begin(), PlayerFilePaths().end());
    for (const char* track : TRACK_DIRECTORIES) {
        const std::string name(track);
        paths.push_back("Graphics\\Textures\\TrackImages\\" + name + ".dds");
        paths.push_back("Audio\\Music\\" + name + ".ogg");
    }
    // Skies, terrain textures, sprites and models of the tracks.
    for (const char* track : {"Finland", "UK"}) {
        const std::string textures = std::string("Graphics\\Tracks\\") + track + "\\Textures\\";
        for (const char* face : {"Front", "Back", "Left", "Right", "Up", "Down"})
            paths.push_back(textures + "Skybox" + face + ".dds");
        paths.push_back(textures + "EnvMap.dds");
        paths.push_back(textures + "Fir.dds");
    }
    for (const char* name : {"Grass", "Gravel", "Pine", "Birch", "Cottage", "Cottage2", "Fence", "Rock", "Rock2",
                             "Rock3", "Rock4", "Rock5", "Rock6"})
        paths.push_back(std::string("Graphics\\Tracks\\Finland\\Textures\\") + name + ".dds");
    for (const char* name : {"Cottage.x", "Cottage2.x", "Fence.x"})
        paths.push_back(std::string("Graphics\\Tracks\\Finland\\Models\\") + name);
    for (const char* kind : {"Rock", "Stone"})
        for (const char* number : {"", "2", "3", "4", "5", "6", "7"})
            paths.push_back(std::string("Graphics\\Tracks\\Finland\\Models\\") + kind + number + ".qvx");
    paths.push_back("Graphics\\Tracks\\UK\\Textures\\Sand.dds");
    paths.push_back("Graphics\\Tracks\\UK\\Textures\\Mud.dds");
    // The landscapes: height maps, road networks, tree masks, road alpha maps and minimaps.
    for (const char* track : {"Finland", "UK"}) {
        const std::string graphics = std::string("Graphics\\Tracks\\") + track + "\\";
        paths.push_back(graphics + "HeightMap.raw");
        paths.push_back(std::string("Data\\Tracks\\") + track + "\\TrackData.tda");
        paths.push_back(graphics + "Textures\\TrackHUD.dds");
    }
    for (const char* mask : {"FirTrees.raw", "PineTrees.raw", "BirchTrees.raw"})
        paths.push_back(std::string("Graphics\\Tracks\\Finland\\") + mask);
    paths.push_back("Graphics\\Tracks\\Finland\\Textures\\GravelAlpha.dds");
    paths.push_back("Graphics\\Tracks\\UK\\Trees.raw");
    paths.push_back("Graphics\\Tracks\\UK\\Textures\\MudAlpha.dds");
    // Cambodia.
    {
        const std::string graphics = "Graphics\\Tracks\\Cambodia\\";
        for (const char* face : {"Front", "Back", "Left", "Right", "Up", "Down"})
            paths.push_back(graphics + "Textures\\Skybox" + face + ".dds");
        for (const char* name : {"EnvMap", "Grass", "Sand", "SandAlpha", "Tree", "FxGrass", "Hut", "TrackHUD"})
            paths.push_back(graphics + "Textures\\" + name + ".dds");
        for (const char* name :
             {"Models\\Hut1.x", "Models\\Hut2.x", "Models\\Hut3.x", "HeightMap.raw", "Trees.raw", "FxGrass.raw"})
            paths.push_back(graphics + name);
        paths.push_back("Data\\Tracks\\Cambodia\\TrackData.tda");
    }
    // Germany.
    {
        const std::string graphics = "Graphics\\Tracks\\Germany\\";
        for (const char* name :
             {"SkyboxFront", "SkyboxBack", "SkyboxLeft", "SkyboxRight", "SkyboxUp", "SkyboxDown", "EnvMap", "Grass",
              "Sand", "SandAlpha", "Asphalt", "AsphaltAlpha", "Seats", "TyreStackRed", "TyreStackWhite", "TrackHUD"})
            paths.push_back(graphics + "Textures\\" + name + ".dds");
        for (const char* name : {"Models\\Seats.x", "Models\\TyreStack.x", "HeightMap.raw"})
            paths.push_back(graphics + name);
        paths.push_back("Data\\Tracks\\Germany\\TrackData.tda");
    }
    // Tanzania.
    {
        const std::string graphics = "Graphics\\Tracks\\Tanzania\\";
        for (const char* face : {"Front", "Back", "Left", "Right", "Up", "Down"})
            paths.push_back(graphics + "Textures\\Skybox" + face + ".dds");
        for (const char* name : {"EnvMap", "Grass", "Sand", "SandAlpha", "Acacia", "FxGrass", "TrackHUD"})
            paths.push_back(graphics + "Textures\\" + name + ".dds");
        for (const char* name : {"HeightMap.raw", "Trees.raw", "FxGrass.raw"})
            paths.push_back(graphics + name);
        paths.push_back("Data\\Tracks\\Tanzania\\TrackData.tda");
    }
    // Finland II.
    {
        const std::string graphics = "Graphics\\Tracks\\Finland2\\";
        for (const char* face : {"Front", "Back", "Left", "Right", "Up", "Down"})
            paths.push_back(graphics + "Textures\\Skybox" + face + ".dds");
        for (const char* name :
             {"EnvMap", "Snow", "Sand", "SandAlpha", "Fir", "SnowFlake", "Cottage", "Cottage2", "TrackHUD"})
            paths.push_back(graphics + "Textures\\" + name + ".dds");
        for (const char* name : {"Models\\Cottage.x", "Models\\Cottage2.x", "HeightMap.raw", "Trees.raw"})
            paths.push_back(graphics + name);
        paths.push_back("Data\\Tracks\\Finland2\\TrackData.tda");
    }
    // Mexico.
    {
        const std::string mexico = "Graphics\\Tracks\\Mexico\\";
        for (const char* name :
             {"SkyboxFront", "SkyboxBack", "SkyboxLeft", "SkyboxRight", "SkyboxUp", "SkyboxDown", "EnvMap", "Sand",
              "Asphalt", "AsphaltAlpha", "MountainRock", "MountainRockAlpha", "Fog", "Cactus", "TrackHUD"})
            paths.push_back(mexico + "Textures\\" + name + ".dds");
        paths.push_back(mexico + "HeightMap.raw");
        paths.push_back(mexico + "Cacti.raw");
        paths.push_back("Data\\Tracks\\Mexico\\TrackData.tda");
    }
    // Egypt.
    {
        const std::string egypt = "Graphics\\Tracks\\Egypt\\";
        for (const char* name : {"SkyboxFront", "SkyboxBack", "SkyboxLeft", "SkyboxRight", "SkyboxUp", "SkyboxDown",
                                 "EnvMap", "Sand", "Asphalt", "AsphaltAlpha", "Water", "Palm", "Pyramid", "TrackHUD"})
            paths.push_back(egypt + "Textures\\" + name + ".dds");
        paths.push_back(egypt + "HeightMap.raw");
        paths.push_back(egypt + "Trees.raw");
        paths.push_back(egypt + "Models\\Pyramid.x");
        paths.push_back("Data\\Tracks\\Egypt\\TrackData.tda");
    }
    // Hawaii.
    {
        const std::string hawaii = "Graphics\\Tracks\\Hawaii\\";
        for (const char* name : {"SkyboxFront", "SkyboxBack", "SkyboxLeft", "SkyboxRight", "SkyboxUp", "SkyboxDown",
                                 "EnvMap", "Sand", "Grass", "GrassAlpha", "Rock", "RockAlpha", "Asphalt",
                                 "AsphaltAlpha", "Water", "Palm", "VolcanoSmoke", "TrackHUD"})
            paths.push_back(hawaii + "Textures\\" + name + ".dds");
        paths.push_back(hawaii + "HeightMap.raw");
        paths.push_back(hawaii + "Trees.raw");
        paths.push_back("Data\\Tracks\\Hawaii\\TrackData.tda");
    }
    // USA.
    {
        const std::string graphics = "Graphics\\Tracks\\USA\\";
        for (const char* name :
             {"SkyboxFront",  "SkyboxBack",  "SkyboxLeft",  "SkyboxRight",       "SkyboxUp",
              "SkyboxDown",   "EnvMap",      "Asphalt",     "Pavement",          "PavementAlpha",
              "Grass",        "GrassAlpha",  "Building",    "Building2",         "Building3",
              "Building4",    "Building5",   "Skyscraper",  "Skyscraper2",       "Skyscraper5",
              "Skyscraper6",  "Skyscraper7", "Skyscraper8", "TrafficSignToLeft", "TrafficSignToRight",
              "TrafficLight", "CarRed",      "CarBlue",     "CarYellow",         "CarWhite",
              "CarSilver",    "Block",       "Ramp",        "TrackHUD"})
            paths.push_back(graphics + "Textures\\" + name + ".dds");
        for (const char* name :
             {"Building.x", "Building2.x", "Building3.x", "Building4.x", "Building5.x", "Skyscraper.x", "Skyscraper2.x",
              "Skyscraper3.x", "Skyscraper4.x", "Skyscraper5.x", "Skyscraper6.x", "Skyscraper7.x", "Skyscraper8.x",
              "TrafficSign.x", "TrafficLightOneSide.x", "TrafficLightTwoSides.x", "Car.qvx", "Block.x", "Ramp.x"})
            paths.push_back(graphics + "Models\\" + name);
        paths.push_back(graphics + "HeightMap.raw");
        paths.push_back("Data\\Tracks\\USA\\TrackData.tda");
    }
    return paths;
}

} // namespace

const std::vector<std::string>& PlayerFilePaths()
{
    static const std::vector<std::string> paths = BuildPlayerList();
    return paths;
}

const std::vector<std::string>& SampleDataPaths()
{
    static const std::vector<std::string> paths = BuildList();
    return paths;
}

} // namespace datagen
