// Module audio: sources arrive with its work.
namespace {}
