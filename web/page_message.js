// page_message.js: the JavaScript side of common/fatal_message_web.cpp, linked in with
// --js-library: a fatal message goes onto the page's element with id "message", when there
// is a page (under Node, running the tests, there is none).
mergeInto(LibraryManager.library, {
  ravelle_show_on_page: function (line) {
    if (typeof document === 'undefined') return;
    var element = document.getElementById('message');
    if (element) element.textContent = UTF8ToString(line);
  },
});
