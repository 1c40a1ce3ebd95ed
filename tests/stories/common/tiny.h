! Tiny: a small library-free story framework of Lantern's own, shared by the test stories. (The
! Inform library does not compile for version 3, and the tests want stories of every version.)
!
! It reads a line with the read opcode, walks the parse buffer the interpreter filled (dictionary
! address, length and position of every word), finds verbs and nouns by dictionary address, and
! keeps its world in the object tree: rooms have no parent, the player and the things are moved
! about among them. The first three globals are the location and the two numbers a version 3
! status line shows (score and moves, or hours and minutes in a game that declares TIME_GAME).
! Versions 5 and later draw a status line of their own in the upper window.
!
! A game includes this file first, then defines its objects and these routines:
!   Initialise()          sets the location and prints the opening text
!   GameVerbFor(word)     a verb number of 100 or more for a verb of its own, or 0
!   GameGrammar(verb)     G_NONE or G_ONE for such a verb
!   GameAction(verb)      carries out such a verb (noun holds the object for G_ONE)
!   GameBefore(verb)      true when it has dealt with the command itself
!   GameAfter(verb)       runs after a framework action succeeded
!   EveryTurn()           runs at the end of every command that was understood

Global location;      ! global 0: the room the player is in
Global status1;       ! global 1: the score, or the hours
Global status2;       ! global 2: the moves, or the minutes

Global game_over;     ! set to end the main loop
Global num_words;     ! words in the parse buffer
Global wn;            ! the word being parsed
Global verb_word;     ! the dictionary address of the command's first word
Global noun;
Global second;
Global multi_count;
Global action_ok;     ! set by an action that succeeded

Constant BUFFER_LENGTH 80;
Constant MAX_WORDS 16;
Constant MAX_MULTI 8;

Array buffer -> BUFFER_LENGTH + 3;
Array parse -> 2 + 4 * MAX_WORDS;
Array multi --> MAX_MULTI;

Attribute light;      ! a lit room, or a thing giving light
Attribute container;
Attribute open;
Attribute openable;
Attribute locked;
Attribute static;     ! cannot be taken
Attribute scenery;    ! not listed in room descriptions
Attribute proper;     ! a name that takes no article
Attribute switchable; ! can be lit and put out
Attribute visited;

Property n_to;
Property s_to;
Property e_to;
Property w_to;
Property u_to;
Property d_to;
Property description;
Property article;
Property with_key;

! Verbs of the framework. A game's own verbs are numbered 100 and up.
Constant V_LOOK 1;
Constant V_INV 2;
Constant V_TAKE 3;
Constant V_DROP 4;
Constant V_PUT 5;
Constant V_OPEN 6;
Constant V_CLOSE 7;
Constant V_UNLOCK 8;
Constant V_LOCK 9;
Constant V_EXAMINE 10;
Constant V_LIGHT 11;
Constant V_DOUSE 12;
Constant V_WAIT 13;
Constant V_SCORE 14;
Constant V_QUIT 15;
Constant V_GO 16;
Constant V_VERIFY 17;
Constant V_RESTART 18;

! What follows a verb.
Constant G_NONE 0;
Constant G_ONE 1;
Constant G_MULTI 2;
Constant G_IN 3;     ! noun in second
Constant G_WITH 4;   ! noun with second
Constant G_DIR 5;

Object player "yourself"
    has proper;

! ---- Printing ------------------------------------------------------------------------------

[ AName o;
    if (o hasnt proper) {
        if (o.article) print (string) o.article, " ";
        else print "a ";
    }
    print (name) o;
];

[ TheName o;
    if (o hasnt proper) print "the ";
    print (name) o;
];

[ CTheName o;
    if (o hasnt proper) print "The ";
    print (name) o;
];

! Prints a string property with a line break, or runs a routine property.
[ PrintOrRun o p x;
    x = o.p;
    if (x == 0) rfalse;
    if (metaclass(x) == Routine) return indirect(x);
    print (string) x;
    new_line;
    rtrue;
];

[ Bold;
#IfV5;
    style bold;
#EndIf;
];

[ Roman;
#IfV5;
    style roman;
#EndIf;
];

! ---- Words of the command ------------------------------------------------------------------

[ WordAddr n;
    return (parse + 2 + 4 * n)-->0;
];

[ WordLength n;
    return parse->(4 + 4 * n);
];

! Positions count from the start of the text buffer in every version.
[ WordPosition n;
    return parse->(5 + 4 * n);
];

[ PrintWord n i p;
    p = WordPosition(n);
    for (i = 0: i < WordLength(n): i++) print (char) buffer->(p + i);
];

[ EndOfCommand w;
    if (wn >= num_words) rtrue;
    w = WordAddr(wn);
    if (w == './/' or 'then') rtrue;
    rfalse;
];

[ EndOfNoun w;
    if (EndOfCommand()) rtrue;
    w = WordAddr(wn);
    if (w == ',//' or 'and' or 'in' or 'into' or 'inside' or 'with') rtrue;
    rfalse;
];

! ---- The world -----------------------------------------------------------------------------

[ GivesLight p c;
    for (c = child(p): c: c = sibling(c)) {
        if (c has light) rtrue;
        if ((c == player || (c has container && c has open)) && GivesLight(c)) rtrue;
    }
    rfalse;
];

[ IsLit;
    if (location has light) rtrue;
    return GivesLight(location);
];

[ HasName o w i a n;
    a = o.&name;
    n = o.#name / WORDSIZE;
    for (i = 0: i < n: i++)
        if (a-->i == w) rtrue;
    rfalse;
];

[ MatchesWords o first count i;
    for (i = 0: i < count: i++)
        if (~~HasName(o, WordAddr(first + i))) rfalse;
    rtrue;
];

Global match_found;
Global match_count;

! Looks for things under p (and inside open containers) named by every word of the phrase.
[ SearchScope p first count c;
    for (c = child(p): c: c = sibling(c)) {
        if (c ~= player && MatchesWords(c, first, count)) {
            if (match_found ~= c) match_count++;
            match_found = c;
        }
        if (c == player || (c has container && c has open))
            SearchScope(c, first, count);
    }
];

! Reads a noun phrase at wn. Returns the thing meant, or 0 after saying why not.
[ ParseNoun first;
    while (wn < num_words && WordAddr(wn) == 'the' or 'a//' or 'an') wn++;
    first = wn;
    while (~~EndOfNoun()) wn++;
    if (wn == first) {
        print "You need to say what.^";
        return 0;
    }
    match_found = 0;
    match_count = 0;
    if (IsLit()) SearchScope(location, first, wn - first);
    else SearchScope(player, first, wn - first);
    if (match_count == 0) {
        print "You can't see any such thing.^";
        return 0;
    }
    if (match_count > 1) {
        print "You'll have to be more specific.^";
        return 0;
    }
    return match_found;
];

! Fills multi with "all" (things here, or carried for drop) or a list joined by commas and "and".
[ ParseMulti v o p w;
    multi_count = 0;
    if (wn < num_words && WordAddr(wn) == 'all') {
        wn++;
        if (v == V_DROP) p = player;
        else {
            p = location;
            if (~~IsLit()) {
                print "It is too dark to see what is here.^";
                rfalse;
            }
        }
        for (o = child(p): o && multi_count < MAX_MULTI: o = sibling(o))
            if (o ~= player && o hasnt scenery && o hasnt static) multi-->(multi_count++) = o;
        if (multi_count == 0) {
            print "There is nothing to ", (string) VerbName(v), ".^";
            rfalse;
        }
        rtrue;
    }
    do {
        o = ParseNoun();
        if (o == 0) rfalse;
        if (multi_count < MAX_MULTI) multi-->(multi_count++) = o;
        w = wn < num_words && WordAddr(wn) == ',//' or 'and';
        if (w) wn++;
    } until (w == false);
    rtrue;
];

! ---- Verbs ---------------------------------------------------------------------------------

[ DirectionFor w;
    switch (w) {
        'north', 'n//': return n_to;
        'south', 's//': return s_to;
        'east', 'e//': return e_to;
        'west', 'w//': return w_to;
        'up', 'u//': return u_to;
        'down', 'd//': return d_to;
    }
    return 0;
];

[ VerbFor w;
    switch (w) {
        'look', 'l//': return V_LOOK;
        'inventory', 'i//', 'inv': return V_INV;
        'take', 'get': return V_TAKE;
        'drop', 'discard': return V_DROP;
        'put', 'insert': return V_PUT;
        'open': return V_OPEN;
        'close', 'shut': return V_CLOSE;
        'unlock': return V_UNLOCK;
        'lock': return V_LOCK;
        'examine', 'x//': return V_EXAMINE;
        'light': return V_LIGHT;
        'extinguish', 'douse': return V_DOUSE;
        'wait', 'z//': return V_WAIT;
        'score': return V_SCORE;
        'quit', 'q//': return V_QUIT;
        'go', 'walk': return V_GO;
        'verify': return V_VERIFY;
        'restart': return V_RESTART;
    }
    return GameVerbFor(w);
];

[ VerbName v;
    switch (v) {
        V_TAKE: return "take";
        V_DROP: return "drop";
    }
    return "do";
];

[ Grammar v;
    switch (v) {
        V_TAKE, V_DROP: return G_MULTI;
        V_PUT: return G_IN;
        V_UNLOCK, V_LOCK: return G_WITH;
        V_OPEN, V_CLOSE, V_EXAMINE, V_LIGHT, V_DOUSE: return G_ONE;
        V_GO: return G_DIR;
    }
    if (v >= 100) return GameGrammar(v);
    return G_NONE;
];

! ---- Actions -------------------------------------------------------------------------------

[ ListContents p first c n;
    for (c = child(p): c: c = sibling(c))
        if (c ~= player && c hasnt scenery) n++;
    first = n;
    for (c = child(p): c: c = sibling(c)) {
        if (c == player || c has scenery) continue;
        AName(c);
        if (c has light && c has switchable) print " (lit)";
        n--;
        if (n == 1) print " and ";
        else if (n > 1) print ", ";
    }
    return first;
];

[ ListRoomContents c;
    for (c = child(location): c: c = sibling(c))
        if (c ~= player && c hasnt scenery) break;
    if (c) {
        print "You can see ";
        ListContents(location);
        print " here.^";
    }
    for (c = child(location): c: c = sibling(c))
        if (c ~= player && c has container && c has open && child(c)) {
            print (CTheName) c, " contains ";
            ListContents(c);
            print ".^";
        }
];

[ Look;
    if (~~IsLit()) {
        Bold();
        print "Darkness";
        Roman();
        print "^It is pitch dark, and you can't see a thing.^";
        return;
    }
    Bold();
    print (name) location;
    Roman();
    new_line;
    PrintOrRun(location, description);
    give location visited;
    ListRoomContents();
];

[ InventoryOf p depth c i;
    for (c = child(p): c: c = sibling(c)) {
        for (i = 0: i < depth: i++) print "  ";
        AName(c);
        if (c has light && c has switchable) print " (lit)";
        if (c has container) {
            if (c hasnt open) print " (closed)";
            else if (child(c) == 0) print " (empty)";
        }
        new_line;
        if (c has container && c has open) InventoryOf(c, depth + 1);
    }
];

[ Inventory;
    if (child(player) == 0) "You are empty-handed.";
    print "You are carrying:^";
    InventoryOf(player, 1);
];

[ Take o;
    if (o == player) "You can't take yourself.";
    if (parent(o) == player) "You already have that.";
    if (o has static || o has scenery) "That is fixed in place.";
    move o to player;
    action_ok = true;
    "Taken.";
];

[ Drop o;
    if (parent(o) ~= player) "You aren't carrying that.";
    move o to location;
    action_ok = true;
    "Dropped.";
];

[ Go d x;
    x = location.d;
    if (x ~= 0 && metaclass(x) == Routine) x = indirect(x);
    if (x == 0) "You can't go that way.";
    if (x == 1) rtrue; ! the exit routine said why not
    move player to x;
    location = x;
    action_ok = true;
    Look();
];

[ Perform v o;
    switch (v) {
        V_LOOK: action_ok = true; Look();
        V_INV: action_ok = true; Inventory();
        V_TAKE: Take(noun);
        V_DROP: Drop(noun);
        V_PUT:
            if (parent(noun) ~= player) "You aren't holding that.";
            if (second hasnt container) "You can't put things in that.";
            if (second hasnt open) print_ret (CTheName) second, " is closed.";
            if (noun == second) "That would be a neat trick.";
            move noun to second;
            action_ok = true;
            print "You put ", (TheName) noun, " in ", (TheName) second, ".^";
        V_OPEN:
            if (noun hasnt openable) "That can't be opened.";
            if (noun has open) "It is already open.";
            if (noun has locked) "It is locked.";
            give noun open;
            action_ok = true;
            print "You open ", (TheName) noun;
            if (noun has container && child(noun)) {
                print ", revealing ";
                ListContents(noun);
            }
            ".";
        V_CLOSE:
            if (noun hasnt openable) "That can't be closed.";
            if (noun hasnt open) "It is already closed.";
            give noun ~open;
            action_ok = true;
            "Closed.";
        V_UNLOCK:
            if (noun hasnt locked) "It isn't locked.";
            if (parent(second) ~= player) "You aren't holding that.";
            if (noun.with_key ~= second) "That doesn't fit the lock.";
            give noun ~locked;
            action_ok = true;
            "Unlocked.";
        V_LOCK:
            if (noun has locked || noun.with_key == 0) "That can't be locked.";
            if (noun has open) "Close it first.";
            if (noun.with_key ~= second) "That doesn't fit the lock.";
            give noun locked;
            action_ok = true;
            "Locked.";
        V_EXAMINE:
            action_ok = true;
            if (PrintOrRun(noun, description) == 0)
                print "You see nothing special about ", (TheName) noun, ".^";
            if (noun has container && noun has open && child(noun)) {
                print "In ", (TheName) noun, " you see ";
                ListContents(noun);
                print ".^";
            }
        V_LIGHT:
            if (noun hasnt switchable) "That can't be lit.";
            if (noun has light) "It is already lit.";
            o = IsLit();
            give noun light;
            action_ok = true;
            print "You light ", (TheName) noun, ".^";
            if (o == 0) Look();
        V_DOUSE:
            if (noun hasnt switchable) "That isn't burning.";
            if (noun hasnt light) "It isn't lit.";
            give noun ~light;
            action_ok = true;
            print "You put out ", (TheName) noun, ".^";
            if (~~IsLit()) "It is now pitch dark in here!";
        V_WAIT: action_ok = true; "Time passes.";
        V_SCORE:
            action_ok = true;
#Ifdef TIME_GAME;
            print "There is no score here. It is ";
            PrintTime(status1, status2);
            ".";
#IfNot;
            print "You have scored ", status1, " out of a possible ", MAX_SCORE, ", in ",
                status2, " moves.^";
#EndIf;
        V_QUIT:
            print "Are you sure you want to quit? ";
            if (YesOrNo()) {
                game_over = 1;
                "Goodbye.";
            }
            "Carry on, then.";
        V_VERIFY:
            action_ok = true;
            @verify ?Verified;
            "The story file does not verify.";
          .Verified;
            "The story file verifies.";
        V_RESTART:
            print "Are you sure you want to restart? ";
            if (YesOrNo()) {
                print "Restarting.^";
                @restart;
            }
            "Carry on, then.";
        default: GameAction(v);
    }
];

#Ifdef TIME_GAME;
[ PrintTime h m;
    print h, ":";
    if (m < 10) print "0";
    print m;
];
#EndIf;

! A single key from version 4 on; a whole line before that, when there is no such opcode.
[ YesOrNo key;
#IfV5;
    @read_char 1 -> key;
    if (key >= 32 && key < 127) print (char) key;
    new_line;
    if (key == 'y' or 'Y') rtrue;
    rfalse;
#IfNot;
    key = 0;
    buffer->0 = BUFFER_LENGTH;
    parse->0 = MAX_WORDS;
    @sread buffer parse;
    ! The answer replaced the command in the buffers: nothing more of it can be parsed.
    num_words = 0;
    if (parse->1 > 0 && WordAddr(0) == 'yes' or 'y//') rtrue;
    rfalse;
#EndIf;
];

! ---- The command loop ----------------------------------------------------------------------

#IfV5;
! A status line of the story's own: the location on the left, score and moves on the right, in
! reverse video across the whole width of the upper window.
[ DrawStatus width i;
    width = 0->$21;
    @split_window 1;
    @set_window 1;
    @set_cursor 1 1;
    style reverse;
    for (i = 0: i < width: i++) print (char) ' ';
    @set_cursor 1 2;
    if (IsLit()) print (name) location;
    else print "Darkness";
    i = width - 20;
    @set_cursor 1 i;
    print "Score: ", status1, "  Moves: ", status2;
    style roman;
    @set_window 0;
];
#EndIf;

[ ReadCommand result;
#IfV5;
    DrawStatus();
#EndIf;
    print "^>";
    buffer->0 = BUFFER_LENGTH;
    parse->0 = MAX_WORDS;
#IfV5;
    buffer->1 = 0;
    @aread buffer parse -> result;
#IfNot;
    result = 0;
    @sread buffer parse;
#EndIf;
    num_words = parse->1;
];

! Carries out one command: from wn to the end of the line or a full stop or "then".
[ ParseCommand w v g i start;
    start = wn;
    w = WordAddr(wn);
    verb_word = w;
    wn++;
    noun = 0;
    second = 0;
    action_ok = false;
    v = DirectionFor(w);
    if (v) {
        noun = v;
        v = V_GO;
    } else {
        v = VerbFor(w);
        if (v == 0) {
            print "That's not a verb I recognise.^";
            rfalse;
        }
        g = Grammar(v);
        switch (g) {
            G_ONE:
                noun = ParseNoun();
                if (noun == 0) rfalse;
            G_MULTI:
                if (ParseMulti(v) == false) rfalse;
            G_IN, G_WITH:
                noun = ParseNoun();
                if (noun == 0) rfalse;
                if (EndOfCommand()) {
                    if (g == G_IN) print "Put it in what?^";
                    else print "With what?^";
                    rfalse;
                }
                w = WordAddr(wn);
                if ((g == G_IN && w ~= 'in' or 'into' or 'inside') || (g == G_WITH && w ~= 'with')) {
                    print "I didn't understand that sentence.^";
                    rfalse;
                }
                wn++;
                second = ParseNoun();
                if (second == 0) rfalse;
            G_DIR:
                if (EndOfCommand()) {
                    print "Which way?^";
                    rfalse;
                }
                noun = DirectionFor(WordAddr(wn));
                wn++;
                if (noun == 0) {
                    print "That's not a direction.^";
                    rfalse;
                }
        }
        if (~~EndOfCommand()) {
            print "I only understood you as far as wanting to ";
            for (i = start: i < wn: i++) {
                if (i > start) print " ";
                PrintWord(i);
            }
            print ".^";
            rfalse;
        }
    }
    if (v == V_GO) {
        if (GameBefore(v) == false) Go(noun);
    } else if (g == G_MULTI) {
        for (i = 0: i < multi_count: i++) {
            noun = multi-->i;
            if (multi_count > 1) print (name) noun, ": ";
            if (GameBefore(v)) continue;
            action_ok = false;
            Perform(v);
            if (action_ok) GameAfter(v);
        }
        action_ok = true;
    } else if (GameBefore(v) == false) {
        Perform(v);
        if (action_ok) GameAfter(v);
    }
    rtrue;
];

[ ParseLine i;
    if (num_words == 0) {
        print "Pardon?^";
        return;
    }
    for (i = 0: i < num_words: i++)
        if (WordAddr(i) == 0) {
            print "I don't know the word ~";
            PrintWord(i);
            print "~.^";
            return;
        }
    wn = 0;
    while (wn < num_words && game_over == 0) {
        if (EndOfCommand()) {
            wn++;
            continue;
        }
        if (ParseCommand()) EndTurn();
        else return;
        while (~~EndOfCommand()) wn++;
    }
];

! Moves on the clock or the move count, then lets the game react.
[ EndTurn;
#Ifdef TIME_GAME;
    status2++;
    if (status2 >= 60) {
        status2 = status2 - 60;
        status1++;
    }
#IfNot;
    status2++;
#EndIf;
    EveryTurn();
];

[ Main;
#IfV5;
    @erase_window -1;
#EndIf;
    Initialise();
    move player to location;
    Look();
    while (game_over == 0) {
        ReadCommand();
        ParseLine();
    }
    quit;
];
