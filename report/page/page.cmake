set(PAGE_SCRIPTS logic.js tooltip.js lanes.js timeline.js tables.js main.js)
set(PAGE_STYLE page.css)
set(PAGE_TEMPLATE page.html)
