// Module interaction: sources arrive with its work.
namespace {}
