// Module portaudio: sources arrive with its work.
namespace {}
