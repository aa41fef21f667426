// Module qt: sources arrive with its work.
namespace {}
