# The level loaded after the main script changed folder: it says it loaded
# (data bank slot 7) and plays at once a sound, a sound that is not there
# (the fallback sound plays in its place) and a track.
import ZOPAPI as Z

LOADED_SLOT = 7


def loadlevel():
    Z.SetInt(LOADED_SLOT, 1)
    Z.BuildTrigger(0, 3, 1, Z.AddPlaySoundEvent("Assets/Audio/Game/pickup.wav"),
                   Z.AddPlaySoundEvent("Assets/Audio/Game/gone.wav"),
                   Z.AddNextMusicClipEvent("Assets/Audio/Music/menu.wav"), Z.AddTimeCondition(0.0))
