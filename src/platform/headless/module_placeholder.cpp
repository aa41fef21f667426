// Module headless: sources arrive with its work.
namespace {}
