// Module app: sources arrive with its work.
namespace {}
